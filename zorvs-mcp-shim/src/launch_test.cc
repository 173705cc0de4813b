#include "launch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bridge_process.h"
#include "fake_env.h"
#include "scripted_host.h"

namespace zorvs_mcp {
namespace {

using namespace std::chrono_literals;
using ::testing::Each;
using ::testing::ElementsAre;
using testing::FakeEnv;

TEST(FindLaunchTarget, NearestEnclosingBundle) {
  struct Case {
    std::optional<std::string> exe;
    std::optional<std::string> target;
  } cases[] = {
      {"/Applications/Zorvs.app/Contents/Resources/zorvs-mcp-shim", "/Applications/Zorvs.app"},
      {"/A.app/Contents/Helpers/B.app/Contents/MacOS/shim", "/A.app/Contents/Helpers/B.app"},
      {"Zorvs.app/Contents/Resources/shim", "Zorvs.app"},  // relative, as reported
      {"/x/y.app", "/x/y.app"},
      {"/x/a.b.app/c", "/x/a.b.app"},
      {"/x/.app/Contents/shim", std::nullopt},  // the only dot is the first character
      {"/x/Zorvs.App/shim", std::nullopt},      // case-sensitive
      {"/x/app/shim", std::nullopt},
      {"/x/y/shim", std::nullopt},
      {"shim", std::nullopt},
      {std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    env.exe = c.exe;
    EXPECT_EQ(find_launch_target(env), c.target) << c.exe.value_or("<none>");
  }
}

class LaunchTest : public ::testing::Test {
 protected:
  LaunchTest() {
    env.exe = "/Applications/Zorvs.app/Contents/Resources/zorvs-mcp-shim";
    env.exit_codes["/usr/bin/pgrep"] = 1;  // not running
    env.exit_codes["open"] = 0;
  }
  std::optional<ExchangeOutcome> launch() {
    return launch_and_exchange(env, {socket}, message, false, slot, &init);
  }

  FakeEnv env;
  testing::TempDir dir;
  const std::string socket = dir / "mcp.sock";
  const json::Value init = {{"id", 0}, {"method", "initialize"}};
  const json::Value message = {{"id", 1}, {"method", "tools/call"}};
  ConnSlot slot;
};

TEST_F(LaunchTest, StartsTheAppInTheBackgroundAndWaitsForASocket) {
  std::unique_ptr<testing::LineServer> host;
  env.on_sleep = [&](std::chrono::milliseconds at) {
    if (at >= 2s && !host) host = testing::start_echo_host(socket);
  };
  auto outcome = launch();
  ASSERT_TRUE(outcome);
  ASSERT_TRUE(std::holds_alternative<Reply>(*outcome));
  ASSERT_EQ(env.runs.size(), 2u);
  EXPECT_EQ(env.runs[0].program, "/usr/bin/pgrep");
  EXPECT_THAT(env.runs[0].args, ElementsAre("-f", "/Applications/Zorvs.app/Contents/MacOS/"));
  EXPECT_EQ(env.runs[1].program, "open");
  EXPECT_THAT(env.runs[1].args,
              ElementsAre("-g", "/Applications/Zorvs.app", "--args", "--background-launch"));
  // Four empty passes, then the accepting probe and the settle pause.
  EXPECT_THAT(env.sleeps, ElementsAre(500ms, 500ms, 500ms, 500ms, 250ms));
  // One probe connection without data, then the exchange on a new one.
  EXPECT_THAT(host->transcript(),
              ElementsAre(ElementsAre(), ElementsAre("{\"id\":0,\"method\":\"initialize\"}",
                                                     "{\"id\":1,\"method\":\"tools/call\"}")));
  EXPECT_TRUE(slot);
}

TEST_F(LaunchTest, GivesUpAtTheDeadlineTestedAtTheStartOfEachPass) {
  auto outcome = launch();
  EXPECT_FALSE(outcome);
  EXPECT_EQ(env.sleeps.size(), 60u);  // passes at 0, 0.5, ..., 29.5 seconds
  EXPECT_THAT(env.sleeps, Each(500ms));

  FakeEnv slow = env;  // a pass that itself takes time still ends on the next test
  slow.sleeps.clear();
  slow.on_sleep = [&](std::chrono::milliseconds) { slow.advance(700ms); };
  EXPECT_FALSE(launch_and_exchange(slow, {socket}, message, false, slot, &init));
  EXPECT_EQ(slow.sleeps.size(), 25u);  // 1.2 s a pass: 25 passes start before 30 s
}

TEST_F(LaunchTest, RunningAppIsNotStartedAgain) {
  env.exit_codes["/usr/bin/pgrep"] = 0;
  auto host = testing::start_echo_host(socket);
  ASSERT_TRUE(launch());
  ASSERT_EQ(env.runs.size(), 1u);
  EXPECT_EQ(env.runs[0].program, "/usr/bin/pgrep");
  EXPECT_THAT(env.sleeps, ElementsAre(250ms));
}

TEST_F(LaunchTest, NoOutcomeWithoutBundleOrWhenTheLauncherFails) {
  env.exit_codes["open"] = 1;
  EXPECT_FALSE(launch());
  EXPECT_TRUE(env.sleeps.empty());  // no waiting at all

  env.exit_codes.erase("open");            // cannot be started
  env.exit_codes.erase("/usr/bin/pgrep");  // finder missing: counts as not running
  env.runs.clear();
  EXPECT_FALSE(launch());
  ASSERT_EQ(env.runs.size(), 2u);
  EXPECT_EQ(env.runs[1].program, "open");

  env.exe = "/usr/local/bin/zorvs-mcp-shim";
  env.runs.clear();
  EXPECT_FALSE(launch());
  EXPECT_TRUE(env.runs.empty());
}

TEST_F(LaunchTest, SecondExchangeUnreachableIsStillAnOutcome) {
  // The probe connects, but the host is gone before the exchange.
  std::unique_ptr<testing::LineServer> host =
      testing::start_host(socket, [](size_t, const std::string&) {
        return testing::Answer{"", true};
      });
  env.on_sleep = [&](std::chrono::milliseconds) { host->stop(); };
  auto outcome = launch();
  ASSERT_TRUE(outcome);
  EXPECT_TRUE(std::holds_alternative<Unreachable>(*outcome));
}

}  // namespace
}  // namespace zorvs_mcp
