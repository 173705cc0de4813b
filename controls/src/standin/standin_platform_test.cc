#include "controls/src/standin/standin_platform.h"

#include <gtest/gtest.h>

#include "controls/src/testing/temp_dir.h"

namespace zorvs::controls {
namespace {

TEST(StandInPlatform, ContainerLiesUnderTheHomeDirectory) {
  StandInPlatform platform("/home/someone");
  EXPECT_EQ(platform.containerURL("TEAM.group.com.example"),
            std::filesystem::path("/home/someone/Library/Group Containers/TEAM.group.com.example"));
  EXPECT_EQ(StandInPlatform(std::nullopt).containerURL("g"), std::nullopt);
  EXPECT_EQ(StandInPlatform(std::filesystem::path()).containerURL("g"), std::nullopt);
}

class StandInOpenTest : public ::testing::Test {
 protected:
  // An opener script that records its arguments and exits with `status`.
  std::string opener(int status, std::string_view message = "") {
    auto script = dir.write("opener", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" +
                                          (dir.path() / "arguments").string() + "'\n" + "echo '" +
                                          std::string(message) + "' >&2\nexit " +
                                          std::to_string(status) + "\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return script.string();
  }

  std::optional<std::string> recordedArguments() {
    return StandInPlatform(std::nullopt).readWholeFile(dir.path() / "arguments");
  }

  TempDir dir;
};

TEST_F(StandInOpenTest, HandsTheUrlToTheOpener) {
  StandInPlatform platform(std::nullopt, opener(0));
  EXPECT_EQ(platform.openWithoutActivation("zorvs://run?id=a%20b"), std::nullopt);
  EXPECT_EQ(recordedArguments(), "zorvs://run?id=a%20b\n");
}

TEST_F(StandInOpenTest, ReportsTheOpenersFailure) {
  StandInPlatform failing(std::nullopt, opener(4, "no handler"));
  auto error = failing.openWithoutActivation("zorvs://run");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code, 4);
  EXPECT_NE(error->message.find("exited with status 4"), std::string::npos) << error->message;

  StandInPlatform missing(std::nullopt, (dir.path() / "no-such-opener").string());
  error = missing.openWithoutActivation("zorvs://run");
  ASSERT_TRUE(error);
  // Where posix_spawn cannot report a failed exec, the child exits with 127.
  EXPECT_TRUE(error->code == ENOENT || error->code == 127) << error->code;
  EXPECT_NE(error->message.find("no-such-opener"), std::string::npos) << error->message;
}

}  // namespace
}  // namespace zorvs::controls
