#include "diagnostics.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "bridge_process.h"
#include "fake_env.h"

namespace zorvs_mcp {
namespace {

using testing::FakeEnv;

TEST(UnreachableMessage, SixSituations) {
  testing::TempDir dir;
  const std::string bundle = dir / "Zorvs.app";
  std::filesystem::create_directories(bundle + "/Contents/Resources");
  const std::string inside = bundle + "/Contents/Resources/zorvs-mcp-shim";
  const CandidateList dev = {"/d/mcp-dev.sock", "/l/mcp-dev.sock"};
  const CandidateList release = {"/d/mcp.sock", "/l/mcp.sock"};

  struct Case {
    Flavor flavor;
    const CandidateList* candidates;
    std::optional<std::string> exe;
    std::optional<int> pgrep;
    std::string expected;
    bool runs_finder;
  } cases[] = {
      {Flavor::Dev, &dev, inside, 0,
       "ZORVS_MCP_FLAVOR=dev but the dev bridge isn't listening at /d/mcp-dev.sock. Start it with "
       "`tauri dev`.",
       false},
      {Flavor::Release, &release, inside, 0,
       "ZORVS_MCP_FLAVOR=release but the bundled Zorvs app isn't listening at /d/mcp.sock. Open "
       "the Zorvs app.",
       false},
      {Flavor::Auto, &release, "/usr/bin/zorvs-mcp-shim", 0,
       "Can't find the Zorvs app from this extension. It normally lives at "
       "/Applications/Zorvs.app. "
       "If you moved or uninstalled Zorvs, reinstall it \xE2\x80\x94 or open Claude Desktop's "
       "extension settings and point \"Zorvs app location\" at wherever Zorvs is now.",
       false},
      {Flavor::Auto, &release, dir / "Gone.app/Contents/Resources/shim", 0,
       "Zorvs is no longer at " + dir / "Gone.app" +
           ". If you moved it, open Claude Desktop's extension settings and point \"Zorvs app "
           "location\" at its new home. If you uninstalled it, remove this extension too.",
       false},
      {Flavor::Auto, &release, inside, 0,
       "Zorvs is running, but it isn't accepting connections from Claude yet. Open Zorvs, go to "
       "Settings then MCP setup, and press \"Connect to Claude Desktop\".",
       true},
      {Flavor::Auto, &release, inside, 1,
       "Zorvs isn't running and couldn't be started automatically. Open Zorvs from " + bundle +
           " and try again.",
       true},
      {Flavor::Auto, &release, inside, std::nullopt,  // finder cannot be started
       "Zorvs isn't running and couldn't be started automatically. Open Zorvs from " + bundle +
           " and try again.",
       true},
  };
  for (const Case& c : cases) {
    FakeEnv env;
    env.exe = c.exe;
    if (c.pgrep) env.exit_codes["/usr/bin/pgrep"] = *c.pgrep;
    EXPECT_EQ(unreachable_message(env, c.flavor, *c.candidates), c.expected);
    EXPECT_EQ(!env.runs.empty(), c.runs_finder) << c.expected;
  }
  FakeEnv env;
  EXPECT_EQ(
      unreachable_message(env, Flavor::Dev, {}),
      "ZORVS_MCP_FLAVOR=dev but the dev bridge isn't listening at . Start it with `tauri dev`.");
}

TEST(UnreachableMessage, PathsShownAsLossyUtf8) {
  FakeEnv env;
  env.exe = "/x/Zo\xFFrvs.app/Contents/Resources/shim";
  EXPECT_EQ(
      unreachable_message(env, Flavor::Auto, {}),
      "Zorvs is no longer at /x/Zo\xEF\xBF\xBDrvs.app. If you moved it, open Claude Desktop's "
      "extension settings and point \"Zorvs app location\" at its new home. If you "
      "uninstalled it, remove this extension too.");
}

}  // namespace
}  // namespace zorvs_mcp
