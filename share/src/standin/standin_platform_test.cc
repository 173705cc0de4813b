#include "share/src/standin/standin_platform.h"

#include <gtest/gtest.h>

namespace zorvs::share::standin {
namespace {

// The container lies under the home directory as on macOS, and is always an
// absolute path without doubled or trailing separators.
TEST(StandinPlatform, TheContainerIsAnAbsolutePathUnderHome) {
  struct Case {
    std::optional<std::string> home;
    std::optional<std::string> container;
  };
  const std::string under_u = "/home/u/Library/Group Containers/group.x";
  const Case cases[] = {
      {"/home/u", under_u},
      {"/home/u/", under_u},
      {"/home//u//", under_u},
      {"//home/./u", under_u},
      {"/home/v/../u", under_u},
      {"/", "/Library/Group Containers/group.x"},
      {"home/u", std::nullopt},
      {".", std::nullopt},
      {"", std::nullopt},
      {std::nullopt, std::nullopt},
  };
  CompletionThreads threads;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.home.value_or("(none)"));
    StandinPlatform platform(nullptr, c.home, OpenMode::kPrint, nullptr, threads);
    EXPECT_EQ(platform.app_group_container("group.x"), c.container);
  }
}

}  // namespace
}  // namespace zorvs::share::standin
