// Whole-process tests of zorvs-host-check: the built checker, a temporary
// HOME, real Unix sockets, and hosts that each break one rule of the contract.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/json.hpp>

#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "bridge_process.h"
#include "demo_host.h"
#include "scripted_host.h"
#include "socket_server.h"

namespace zorvs::hostcheck {
namespace {

using zorvs::hostsim::Answer;
using zorvs::hostsim::ConnectionLines;
using zorvs::hostsim::demo_answer;
using zorvs::hostsim::SocketServer;
using zorvs_mcp::testing::app_data_dir;
using zorvs_mcp::testing::BridgeProcess;
using zorvs_mcp::testing::LineServer;
using zorvs_mcp::testing::Finished;
using zorvs_mcp::testing::split_lines;
using zorvs_mcp::testing::start_host;
using zorvs_mcp::testing::TempDir;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Lines = std::vector<std::string>;

// Short limits keep the failing cases quick; every wait of the checker has one.
const std::vector<std::string> kFastLimits = {"--timeout-ms", "500", "--quiet-ms", "400"};

std::string checker() {
  const char* dir = std::getenv("ZORVS_BIN_DIR");
  return std::string(dir ? dir : "build/bin") + "/zorvs-host-check";
}

std::string method_of(const std::string& line) {
  boost::system::error_code ec;
  boost::json::value message = boost::json::parse(line, ec);
  const boost::json::value* method =
      message.is_object() ? message.get_object().if_contains("method") : nullptr;
  return method && method->is_string() ? std::string(method->get_string()) : std::string();
}

std::unique_ptr<LineServer> start_reference(const std::string& path) {
  return start_host(path, [](size_t, const std::string& line) { return demo_answer(line); });
}

// What the reference host's tools/list holds.
size_t reference_tool_count() {
  Answer answer = demo_answer("{\"id\":1,\"jsonrpc\":\"2.0\",\"method\":\"tools/list\"}");
  return boost::json::parse(answer.bytes).at("result").at("tools").as_array().size();
}

// The checker's report on a host that keeps the contract, under kFastLimits.
Lines passing_report(const std::string& socket) {
  return {"socket: " + socket,
          "PASS initialize: one answer, with a protocol version \"2025-06-18\", capabilities "
          "and server info",
          "PASS notification: no line for notifications/initialized",
          "PASS tools/list: a result with " + std::to_string(reference_tool_count()) + " tools",
          "PASS three at once: exactly three answers, in order",
          "PASS quiet: nothing unsolicited within 400 ms",
          "PASS second connection: begins with initialize and is served while the first stays "
          "open",
          "PASS probe: a connection closed without data is accepted, and so is the next one"};
}

// Serves a connection line by line with the reference host's answers,
// `after` running once each answer is written.
void serve_reference(ConnectionLines& lines,
                     const std::function<void(ConnectionLines&, const std::string&)>& after) {
  while (auto line = lines.read_line()) {
    Answer answer = demo_answer(*line);
    if (!answer.bytes.empty() && !lines.write(answer.bytes)) return;
    if (after) after(lines, *line);
  }
}

class HostCheckTest : public ::testing::Test {
 protected:
  std::string socket(std::string_view name = "mcp.sock") const {
    return app_data_dir(home.path()) + "/" + std::string(name);
  }
  Finished run_checker(std::vector<std::string> args,
                       BridgeProcess::Environment environment = {}) const {
    environment["HOME"] = home.path();
    BridgeProcess process(checker(), std::move(environment), {}, std::move(args));
    return process.finish_within(std::chrono::seconds(60));
  }

  TempDir home;
};

TEST_F(HostCheckTest, ReferenceHostPassesEveryCheck) {
  auto host = start_reference(socket());
  Finished done = run_checker(kFastLimits);
  EXPECT_THAT(split_lines(done.out), ElementsAreArray(passing_report(socket())));
  EXPECT_EQ(done.err, "");
  EXPECT_EQ(done.status, 0);
  // The probe is the one connection that carried no line.
  auto transcript = host->transcript();
  EXPECT_EQ(std::count_if(transcript.begin(), transcript.end(),
                          [](const Lines& lines) { return lines.empty(); }),
            1);
  for (const Lines& lines : transcript) {
    if (!lines.empty()) {
      EXPECT_EQ(method_of(lines.front()), "initialize");
    }
  }
}

// Hosts that break one rule each, and the one line of the report that
// changes for it: the rule's own check fails, every other check passes.
struct Fault {
  const char* label;
  std::function<std::unique_ptr<SocketServer>(const std::string& path)> start;
  const char* check;  // the report line that changes begins "PASS <check>:"
  std::string failure;
};

std::unique_ptr<SocketServer> reference_with(
    const std::string& path, std::function<void(ConnectionLines&, const std::string&)> after) {
  return SocketServer::start(path, [after](size_t, int fd) {
    ConnectionLines lines(fd);
    serve_reference(lines, after);
  });
}

// A host whose answers for each line come from `answer` on the reference's.
std::unique_ptr<SocketServer> rewriting(const std::string& path,
                                        std::function<std::string(const std::string&)> answer) {
  return SocketServer::start(path, [answer](size_t, int fd) {
    ConnectionLines lines(fd);
    while (auto line = lines.read_line()) {
      if (std::string bytes = answer(*line); !bytes.empty() && !lines.write(bytes)) return;
    }
  });
}

const char kInitializeAnswer[] =
    "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"capabilities\":{\"tools\":{}},"
    "\"protocolVersion\":\"2025-06-18\",\"serverInfo\":{\"name\":\"zorvs\",\"version\":"
    "\"0.1.0\"}}}";

std::vector<Fault> faults() {
  return {
      {"an unsolicited notification before the initialize answer",
       [](const std::string& path) {
         return rewriting(path, [](const std::string& line) {
           std::string reference = demo_answer(line).bytes;
           if (method_of(line) != "initialize") return reference;
           return "{\"method\":\"notifications/message\",\"jsonrpc\":\"2.0\",\"params\":{"
                  "\"level\":\"info\",\"data\":\"starting\"}}\n" +
                  reference;
         });
       },
       "initialize",
       "FAIL initialize: the first line is not the answer to initialize (id 1): "
       "{\"jsonrpc\":\"2.0\",\"method\":\"notifications/message\",\"params\":{\"data\":"
       "\"starting\",\"level\":\"info\"}}"},
      {"two lines for one request",
       [](const std::string& path) {
         return rewriting(path, [](const std::string& line) {
           std::string reference = demo_answer(line).bytes;
           return method_of(line) == "initialize" ? reference + reference : reference;
         });
       },
       "initialize", std::string("FAIL initialize: a second line came for initialize: ") +
                         kInitializeAnswer},
      {"an answer to a notification",
       [](const std::string& path) {
         return rewriting(path, [](const std::string& line) {
           if (method_of(line).starts_with("notifications/")) {
             return std::string(
                 "{\"jsonrpc\":\"2.0\",\"id\":null,\"error\":{\"code\":-32600,\"message\":"
                 "\"Invalid Request\"}}\n");
           }
           return demo_answer(line).bytes;
         });
       },
       "notification",
       "FAIL notification: a line came for notifications/initialized: "
       "{\"error\":{\"code\":-32600,\"message\":\"Invalid Request\"},\"id\":null,\"jsonrpc\":"
       "\"2.0\"}"},
      {"an empty tool list",
       [](const std::string& path) {
         return rewriting(path, [](const std::string& line) {
           std::string reference = demo_answer(line).bytes;
           if (method_of(line) != "tools/list") return reference;
           auto answer = boost::json::parse(reference);
           answer.at("result").at("tools") = boost::json::array();
           return boost::json::serialize(answer) + "\n";
         });
       },
       "tools/list",
       "FAIL tools/list: the \"tools\" array is empty: "
       "{\"id\":8,\"jsonrpc\":\"2.0\",\"result\":{\"tools\":[]}}"},
      {"answers out of order (those to lines that arrive together, last first)",
       [](const std::string& path) {
         return SocketServer::start(path, [](size_t, int fd) {
           std::string pending;
           char buffer[4096];
           ssize_t n;
           while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
             pending.append(buffer, static_cast<size_t>(n));
             std::string answers;
             for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
               answers.insert(0, demo_answer(pending.substr(0, nl)).bytes);
               pending.erase(0, nl + 1);
             }
             if (!ConnectionLines(fd).write(answers)) return;
           }
         });
       },
       "three at once", "FAIL three at once: answers in the order of ids [13,12,11] for requests "
                        "[11,12,13]"},
      {"a notification nobody asked for, shortly after the tool list",
       [](const std::string& path) {
         return reference_with(path, [](ConnectionLines& lines, const std::string& line) {
           if (method_of(line) != "tools/list") return;
           std::this_thread::sleep_for(std::chrono::milliseconds(50));
           lines.write("{\"jsonrpc\":\"2.0\",\"method\":\"notifications/tools/list_changed\"}\n");
         });
       },
       "quiet",
       "FAIL quiet: a line nobody asked for, within 400 ms of the answers: "
       "{\"jsonrpc\":\"2.0\",\"method\":\"notifications/tools/list_changed\"}"},
      {"no answer on a second connection (one connection served at a time)",
       [](const std::string& path) {
         auto one_at_a_time = std::make_shared<std::mutex>();
         return SocketServer::start(path, [one_at_a_time](size_t, int fd) {
           std::lock_guard lock(*one_at_a_time);
           ConnectionLines lines(fd);
           serve_reference(lines, nullptr);
         });
       },
       "second connection",
       "FAIL second connection: no answer to initialize (id 20): no line within 500 ms"},
      {"a probe that makes the host drop its socket",
       [](const std::string& path) {
         return SocketServer::start(path, [path](size_t, int fd) {
           ConnectionLines lines(fd);
           auto first = lines.read_line();
           if (!first) {
             ::unlink(path.c_str());
             return;
           }
           if (!lines.write(demo_answer(*first).bytes)) return;
           serve_reference(lines, nullptr);
         });
       },
       "probe",
       "FAIL probe: the connection after a probe: connecting failed: No such file or directory"},
  };
}

TEST_F(HostCheckTest, EachBrokenRuleFailsItsOwnCheckAlone) {
  for (const Fault& fault : faults()) {
    SCOPED_TRACE(fault.label);
    TempDir dir;
    const std::string path = dir / "host.sock";
    auto host = fault.start(path);
    ASSERT_TRUE(host);
    Lines expected = passing_report(path);
    const std::string prefix = "PASS " + std::string(fault.check) + ":";
    auto it = std::find_if(expected.begin(), expected.end(),
                           [&](const std::string& line) { return line.starts_with(prefix); });
    ASSERT_NE(it, expected.end());
    *it = fault.failure;

    std::vector<std::string> args = kFastLimits;
    args.insert(args.end(), {"--socket", path});
    Finished done = run_checker(args);
    EXPECT_THAT(split_lines(done.out), ElementsAreArray(expected));
    EXPECT_EQ(done.status, 1);
  }
}

TEST_F(HostCheckTest, AHostThatNeverAnswersFailsEveryCheckWithinItsLimits) {
  auto host = SocketServer::start(socket(), [](size_t, int fd) {
    ConnectionLines lines(fd);
    while (lines.read_line()) {
    }
  });
  Finished done = run_checker(kFastLimits);
  EXPECT_THAT(
      split_lines(done.out),
      ElementsAre("socket: " + socket(), "FAIL initialize: no answer (id 1): no line within 500 ms",
                  "FAIL notification: no answer to initialize (id 2): no line within 500 ms",
                  "FAIL tools/list: no answer to initialize (id 3): no line within 500 ms",
                  "FAIL three at once: no answer to initialize (id 4): no line within 500 ms",
                  "FAIL quiet: no answer to initialize (id 5): no line within 500 ms",
                  "FAIL second connection: the first connection: no answer to initialize (id 6): "
                  "no line within 500 ms",
                  "FAIL probe: the connection after a probe: no answer to initialize (id 7): no "
                  "line within 500 ms"));
  EXPECT_EQ(done.status, 1);
}

TEST_F(HostCheckTest, FindsTheSocketAsTheBridgeDoes) {
  const std::string legacy = home.path() + "/Library/Application Support/zorvs";
  struct Case {
    const char* flavor;  // ZORVS_MCP_FLAVOR, or nothing
    std::vector<std::string> listening;
    std::string found;  // the socket checked, or "" for none
  } cases[] = {
      {nullptr, {socket("mcp-dev.sock"), socket("mcp.sock")}, socket("mcp.sock")},
      {" Dev\n", {socket("mcp-dev.sock"), socket("mcp.sock")}, socket("mcp-dev.sock")},
      {"dev", {socket("mcp.sock")}, ""},
      {"PROD", {legacy + "/mcp.sock", legacy + "/mcp-dev.sock"}, legacy + "/mcp.sock"},
      {nullptr, {legacy + "/mcp-dev.sock"}, legacy + "/mcp-dev.sock"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flavor ? c.flavor : "<unset>");
    std::vector<std::unique_ptr<LineServer>> hosts;
    for (const std::string& path : c.listening) {
      hosts.push_back(start_reference(path));
    }
    BridgeProcess::Environment environment;
    if (c.flavor) environment["ZORVS_MCP_FLAVOR"] = c.flavor;
    Finished done = run_checker(kFastLimits, environment);
    if (c.found.empty()) {
      EXPECT_THAT(split_lines(done.out),
                  ElementsAre("FAIL connect: no socket accepts a connection (" +
                              socket("mcp-dev.sock") + ": No such file or directory; " + legacy +
                              "/mcp-dev.sock: No such file or directory)"));
      EXPECT_EQ(done.status, 1);
    } else {
      EXPECT_THAT(split_lines(done.out), ElementsAreArray(passing_report(c.found)));
      EXPECT_EQ(done.status, 0);
    }
  }
}

TEST_F(HostCheckTest, ASocketPathNoClientCanReach) {
  const std::string long_path = "/tmp/" + std::string(100, 'x') + ".sock";
  Finished done = run_checker({"--socket", long_path});
  EXPECT_THAT(split_lines(done.out),
              ElementsAre("FAIL connect: no socket accepts a connection (" + long_path +
                          ": the path is longer than 104 bytes, so no client can connect to it)"));
  EXPECT_EQ(done.status, 1);
}

TEST_F(HostCheckTest, BadArgumentsExitWithStatusTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--verbose"}, "unknown argument \"--verbose\""},
      {{"--socket"}, "--socket needs a value"},
      {{"--timeout-ms", "0"},
       "--timeout-ms takes a whole number of milliseconds from 1 to 600000, not \"0\""},
      {{"--quiet-ms", "1s"},
       "--quiet-ms takes a whole number of milliseconds from 1 to 600000, not \"1s\""},
      {{"--quiet-ms", "600001"},
       "--quiet-ms takes a whole number of milliseconds from 1 to 600000, not \"600001\""},
#if !defined(__APPLE__)
      {{"--launch", "/Applications/Zorvs.app"},
       "--launch starts the app with macOS's open and works only on macOS"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Finished done = run_checker(c.args);
    EXPECT_EQ(done.out, "");
    EXPECT_EQ(done.err, "zorvs-host-check: " + c.message + " (see --help)\n");
    EXPECT_EQ(done.status, 2);
  }
}

TEST_F(HostCheckTest, HelpExplainsTheChecksAndTheExitStatus) {
  Finished done = run_checker({"--help"});
  EXPECT_THAT(done.out, StartsWith("usage: zorvs-host-check [--socket PATH]"));
  EXPECT_THAT(done.out, HasSubstr("Exit status: 0 when every check passed, 1 when one failed, 2 "
                                  "for bad arguments."));
  EXPECT_EQ(done.status, 0);
}

}  // namespace
}  // namespace zorvs::hostcheck
