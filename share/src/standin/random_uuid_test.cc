#include "share/src/standin/random_uuid.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace zorvs::share::standin {
namespace {

TEST(RandomUuid, IsAVersionFourUuidInUpperCaseTextAndNeverRepeats) {
  const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  std::set<std::string> seen;
  for (int i = 0; i < 64; ++i) {
    std::string uuid = random_uuid();
    EXPECT_TRUE(std::regex_match(uuid, form)) << uuid;
    seen.insert(uuid);
  }
  EXPECT_EQ(seen.size(), 64u);
}

}  // namespace
}  // namespace zorvs::share::standin
