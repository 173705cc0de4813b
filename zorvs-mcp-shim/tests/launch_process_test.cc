// Whole-process tests of starting the host app: the bridge runs from inside a
// temporary "Zorvs.app/Contents/Resources/" folder, and a fake `open` first
// on PATH records its arguments and exits as the test decides.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "bridge_process.h"
#include "scripted_host.h"

namespace zorvs_mcp::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class LaunchProcessTest : public ::testing::Test {
 protected:
  LaunchProcessTest() {
    fs::create_directories(home / "fakebin");
    fake_open("exit 1");
  }
  ~LaunchProcessTest() override {
    if (app_pid > 0) {
      kill(app_pid, SIGKILL);
      waitpid(app_pid, nullptr, 0);
    }
  }

  // The fake launcher appends its arguments, one line per run, then runs `then`.
  void fake_open(const std::string& then) {
    const std::string path = home / "fakebin/open";
    write_file(path, "#!/bin/sh\nprintf '%s|' \"$@\" >> '" + open_log() + "'\necho >> '" +
                         open_log() + "'\n" + then + "\n");
    fs::permissions(path, fs::perms::owner_all);
  }
  std::string open_log() const { return home / "open.log"; }
  std::vector<std::string> open_runs() const {
    std::vector<std::string> runs;
    std::string log = read_whole_file(open_log()).value_or("");
    for (size_t start = 0, nl; (nl = log.find('\n', start)) != std::string::npos; start = nl + 1) {
      runs.push_back(log.substr(start, nl - start));
    }
    return runs;
  }
  // A bridge inside `bundle_dir`/Contents/Resources.
  std::string bridge_in(const std::string& bundle_dir) {
    return copy_bridge_to(bundle_dir + "/Contents/Resources");
  }
  BridgeProcess::Environment env(BridgeProcess::Environment extra = {}) const {
    extra["HOME"] = home.path();
    extra["PATH"] = home.path() + "/fakebin:/usr/bin:/bin";
    return extra;
  }
  // Runs a process from the bundle's Contents/MacOS, as the running app would.
  void start_app(const std::string& bundle_dir) {
    fs::create_directories(bundle_dir + "/Contents/MacOS");
    const std::string exe = bundle_dir + "/Contents/MacOS/Zorvs";
    fs::copy_file("/bin/sleep", exe);
    app_pid = fork();
    if (app_pid == 0) {
      execl(exe.c_str(), exe.c_str(), "60", nullptr);
      _exit(127);
    }
  }
  std::string socket() const { return app_data_dir(home.path()) + "/mcp.sock"; }
  // The host comes up `later` after the launcher has run, as an app does.
  std::unique_ptr<LineServer> host_after_launch(std::chrono::milliseconds later) {
    for (int i = 0; i < 200 && open_runs().empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(later);
    return start_echo_host(socket());
  }
  std::string call(const std::string& bridge, BridgeProcess::Environment e,
                   const std::string& input = "{\"id\":1,\"method\":\"tools/call\"}\n") {
    Finished done = run_bridge(input, std::move(e), bridge);
    EXPECT_EQ(done.status, 0);
    return done.out;
  }
  static std::string tool_error(const std::string& text, int id = 1) {
    return "{\"id\":" + std::to_string(id) +
           ",\"jsonrpc\":\"2.0\",\"result\":{\"content\":[{\"text\":\"" + text +
           "\",\"type\":\"text\"}],\"isError\":true}}\n";
  }
  static std::string not_running(const std::string& bundle) {
    return "Zorvs isn't running and couldn't be started automatically. Open Zorvs from " + bundle +
           " and try again.";
  }

  TempDir home;
  const std::string bundle = home / "Zorvs.app";
  pid_t app_pid = -1;
};

TEST_F(LaunchProcessTest, ToolCallStartsTheAppAndIsDelivered) {
  fake_open("exit 0");
  const std::string bridge = bridge_in(bundle);
  BridgeProcess process(bridge, env());
  process.send("{\"id\":0,\"method\":\"initialize\"}\n");
  process.send("{\"id\":1,\"method\":\"tools/call\"}\n");
  auto host = host_after_launch(std::chrono::milliseconds(700));
  ASSERT_TRUE(host) << socket();
  EXPECT_THAT(process.read_line(),
              ::testing::Optional(::testing::HasSubstr("\"protocolVersion\"")));
  EXPECT_EQ(process.read_line(),
            "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"tools/call\"}}");
  EXPECT_THAT(open_runs(), ElementsAre("-g|" + bundle + "|--args|--background-launch|"));
  EXPECT_THAT(host->transcript(),
              ElementsAre(ElementsAre(), ElementsAre("{\"id\":0,\"method\":\"initialize\"}",
                                                     "{\"id\":1,\"method\":\"tools/call\"}")));

  // The host goes away while the app's process still runs: the next call
  // waits for the socket without starting the app again.
  host->stop();
  start_app(bundle);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let it exec
  process.send("{\"id\":2,\"method\":\"tools/call\"}\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  host = start_echo_host(socket());
  ASSERT_TRUE(host) << socket();
  EXPECT_EQ(process.read_line(),
            "{\"id\":2,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"tools/call\"}}");
  process.finish();
  EXPECT_EQ(open_runs().size(), 1u);
  EXPECT_THAT(host->transcript(),
              ElementsAre(ElementsAre(), ElementsAre("{\"id\":0,\"method\":\"initialize\"}",
                                                     "{\"id\":2,\"method\":\"tools/call\"}")));
}

// A parent that ignores SIGCHLD passes that on through exec; the bridge must
// still learn how the launcher and pgrep ended.
TEST_F(LaunchProcessTest, ParentIgnoringChildrenDoesNotFailTheLaunch) {
  fake_open("exit 0");
  const std::string bridge = bridge_in(bundle);
  signal(SIGCHLD, SIG_IGN);
  BridgeProcess process(bridge, env());
  signal(SIGCHLD, SIG_DFL);  // before the bridge can end, so it is waited for
  process.send("{\"id\":1,\"method\":\"tools/call\"}\n");
  auto host = host_after_launch(std::chrono::milliseconds(300));
  ASSERT_TRUE(host) << socket();
  EXPECT_EQ(process.read_line(),
            "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"tools/call\"}}");
  EXPECT_EQ(process.finish().status, 0);
  EXPECT_EQ(open_runs().size(), 1u);
}

TEST_F(LaunchProcessTest, HandshakeMethodsNeverLaunch) {
  fake_open("exit 0");
  call(bridge_in(bundle), env(),
       "{\"id\":0,\"method\":\"initialize\"}\n{\"id\":1,\"method\":\"tools/list\"}\n"
       "{\"method\":\"notifications/initialized\"}\n{\"method\":\"tools/call\"}\n");
  EXPECT_TRUE(open_runs().empty());
}

TEST_F(LaunchProcessTest, FailedLauncherIsAnsweredAtOnceAndNeverRetried) {
  const std::string out = call(bridge_in(bundle), env(),
                               "{\"id\":1,\"method\":\"tools/call\"}\n"
                               "{\"id\":2,\"method\":\"tools/call\"}\n");
  EXPECT_EQ(out, tool_error(not_running(bundle), 1) + tool_error(not_running(bundle), 2));
  EXPECT_EQ(open_runs().size(), 1u);
}

TEST_F(LaunchProcessTest, LaunchGate) {
  struct Case {
    BridgeProcess::Environment vars;
    bool launches;
  } cases[] = {
      {{}, true},
      {{{"ZORVS_SHIM_NO_AUTOLAUNCH", "0"}}, true},
      {{{"ZORVS_SHIM_NO_AUTOLAUNCH", ""}}, true},
      {{{"ZORVS_SHIM_NO_AUTOLAUNCH", "1"}}, false},
      {{{"ZORVS_SHIM_NO_AUTOLAUNCH", "false"}}, false},
      {{{"ZORVS_SHIM_NO_AUTOLAUNCH", " 0"}}, false},
      {{{"ZORVS_SHIM_NO_AUTOLAUNCH", "00"}}, false},
      {{{"ZORVS_MCP_FLAVOR", "dev"}}, false},
  };
  const std::string bridge = bridge_in(bundle);
  for (const Case& c : cases) {
    fs::remove(open_log());
    call(bridge, env(c.vars));
    EXPECT_EQ(open_runs().size(), c.launches ? 1u : 0u)
        << (c.vars.empty() ? "<none>" : c.vars.begin()->first + "=" + c.vars.begin()->second);
  }
}

TEST_F(LaunchProcessTest, DiagnosticTexts) {
  const BridgeProcess::Environment blocked = {{"ZORVS_SHIM_NO_AUTOLAUNCH", "1"}};
  const std::string bridge = bridge_in(bundle);
  const std::string d = app_data_dir(home.path());

  auto with = [&](BridgeProcess::Environment vars) {
    vars.insert(blocked.begin(), blocked.end());
    return env(vars);
  };
  EXPECT_EQ(call(bridge, with({{"ZORVS_MCP_FLAVOR", "dev"}})),
            tool_error("ZORVS_MCP_FLAVOR=dev but the dev bridge isn't listening at " + d +
                       "/mcp-dev.sock. Start it with `tauri dev`."));
  EXPECT_EQ(call(bridge, with({{"ZORVS_MCP_FLAVOR", "bundle"}})),
            tool_error("ZORVS_MCP_FLAVOR=release but the bundled Zorvs app isn't listening at " +
                       d + "/mcp.sock. Open the Zorvs app."));
  EXPECT_EQ(call(bridge, with({})), tool_error(not_running(bundle)));

  // Nested bundles: the inner one is the app.
  const std::string inner = bundle + "/Contents/Helpers/Inner.app";
  EXPECT_EQ(call(bridge_in(inner), with({})), tool_error(not_running(inner)));

  // A folder named ".app" is no bundle.
  EXPECT_EQ(call(bridge_in(home / ".app"), with({})),
            tool_error("Can't find the Zorvs app from this extension. It normally lives at "
                       "/Applications/Zorvs.app. If you moved or uninstalled Zorvs, reinstall it "
                       "\xE2\x80\x94 or open Claude Desktop's extension settings and point "
                       "\\\"Zorvs app location\\\" at wherever Zorvs is now."));

  start_app(bundle);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let it exec
  EXPECT_EQ(call(bridge, with({})),
            tool_error("Zorvs is running, but it isn't accepting connections from Claude yet. "
                       "Open Zorvs, go to Settings then MCP setup, and press \\\"Connect to "
                       "Claude Desktop\\\"."));
}

TEST_F(LaunchProcessTest, BundleMovedAwayAfterStart) {
  BridgeProcess process(bridge_in(bundle), env({{"ZORVS_SHIM_NO_AUTOLAUNCH", "1"}}));
  process.send("{\"id\":0,\"method\":\"initialize\"}\n");
  ASSERT_TRUE(process.read_line());
  fs::rename(bundle, home / "Moved.app");
  process.send("{\"id\":1,\"method\":\"tools/call\"}\n");
  EXPECT_EQ(process.read_line().value_or("") + "\n",
            tool_error("Zorvs is no longer at " + bundle +
                       ". If you moved it, open Claude Desktop's extension settings and point "
                       "\\\"Zorvs app location\\\" at its new home. If you uninstalled it, "
                       "remove this extension too."));
  process.finish();
}

}  // namespace
}  // namespace zorvs_mcp::testing
