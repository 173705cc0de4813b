// Whole-process tests of the relay: the built bridge, a temporary HOME, a
// real Unix socket and a scripted host that records every line it receives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bridge_process.h"
#include "scripted_host.h"

namespace zorvs_mcp::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Lines = std::vector<std::string>;

class RelayTest : public ::testing::Test {
 protected:
  BridgeProcess::Environment env() const {
    // Launching is blocked so that an unreachable host is answered at once.
    return {{"HOME", home.path()}, {"ZORVS_SHIM_NO_AUTOLAUNCH", "1"}};
  }
  std::string socket(std::string_view name = "mcp.sock") const {
    return app_data_dir(home.path()) + "/" + std::string(name);
  }

  TempDir home;
};

TEST_F(RelayTest, EmptyInputWritesNothing) {
  Finished done = run_bridge("", env());
  EXPECT_EQ(done.out, "");
  EXPECT_EQ(done.err, "");
  EXPECT_EQ(done.status, 0);
}

TEST_F(RelayTest, LineEndingsBlankLinesAndParseErrors) {
  auto host = start_echo_host(socket());
  Finished done = run_bridge(
      "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"tools/list\"}\r\n"
      "\n"
      "  \t \r\n"
      "\xC2\xA0\xE3\x80\x80\n"  // no-break space and ideographic space
      "hello\n"
      "{\"id\":2,\"method\":\"a\"} {\"id\":3}\n"
      "{\"id\":4,\"method\":\"b\"}\r\r\n"
      "{\"id\":5,\"method\":\"last\"}",
      env());
  EXPECT_THAT(
      split_lines(done.out),
      ElementsAre(
          "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"tools/list\"}}",
          "{\"error\":{\"code\":-32700,\"message\":\"parse error: expected value at line 1 column "
          "1\"},\"id\":null,\"jsonrpc\":\"2.0\"}",
          ::testing::AllOf(StartsWith("{\"error\":{\"code\":-32700,\"message\":\"parse error: "
                                      "trailing characters at line 1 column "),
                           HasSubstr("\"id\":null")),
          // "\r\r\n" leaves one "\r", which JSON allows as white space.
          "{\"id\":4,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"b\"}}",
          "{\"id\":5,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"last\"}}"));
  EXPECT_EQ(done.status, 0);
  // Blank lines and lines that did not parse never reach the host.
  EXPECT_THAT(
      host->transcript(),
      ElementsAre(ElementsAre("{\"id\":1,\"jsonrpc\":\"2.0\",\"method\":\"tools/list\"}",
                              "{\"id\":4,\"method\":\"b\"}", "{\"id\":5,\"method\":\"last\"}")));
}

TEST_F(RelayTest, InvalidUtf8EndsTheLoopWithAnErrorLine) {
  auto host = start_echo_host(socket());
  Finished done = run_bridge(
      "{\"id\":1,\"method\":\"a\"}\n{\"id\":2,\"method\":\"\xFF\"}\n{\"id\":3,\"method\":\"c\"}\n",
      env());
  EXPECT_THAT(split_lines(done.out),
              ElementsAre("{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"a\"}}"));
  EXPECT_EQ(done.err, "[zorvs-mcp] stdin read error: stream did not contain valid UTF-8\n");
  EXPECT_EQ(done.status, 0);
  EXPECT_THAT(host->transcript(), ElementsAre(ElementsAre("{\"id\":1,\"method\":\"a\"}")));
}

TEST_F(RelayTest, NotificationsAreWrittenWithoutReadingAnAnswer) {
  auto host = start_echo_host(socket());
  Finished done = run_bridge(
      "{\"jsonrpc\":\"2.0\",\"method\":\"notifications/initialized\"}\n"
      "{\"id\":7,\"method\":\"notifications/cancelled\"}\n"
      "{\"method\":\"tools/call\"}\n"
      "[1,{\"b\":2,\"a\":1}]\n"
      "42\n"
      "{\"id\":8,\"method\":\"ping\"}\n",
      env());
  // Had the bridge waited for an answer to a notification, it would have
  // hung; had it read one, id 8 would get the wrong answer.
  EXPECT_THAT(split_lines(done.out),
              ElementsAre("{\"id\":8,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"ping\"}}"));
  EXPECT_THAT(
      host->transcript(),
      ElementsAre(ElementsAre("{\"jsonrpc\":\"2.0\",\"method\":\"notifications/initialized\"}",
                              "{\"id\":7,\"method\":\"notifications/cancelled\"}",
                              "{\"method\":\"tools/call\"}", "[1,{\"a\":1,\"b\":2}]", "42",
                              "{\"id\":8,\"method\":\"ping\"}")));
}

TEST_F(RelayTest, HostAnswerIsReserializedWithSortedKeys) {
  auto host = start_host(socket(), [](size_t, const std::string&) {
    return Answer{
        "{\"result\":{\"z\":[1.5, -0, 1e2],\"a\":\"\\u00e9\\n\"},\"jsonrpc\":\"2.0\",\"id\":5}\n"};
  });
  Finished done = run_bridge("{\"id\":5,\"method\":\"x\"}\n", env());
  EXPECT_EQ(done.out,
            "{\"id\":5,\"jsonrpc\":\"2.0\",\"result\":{\"a\":\"\xC3\xA9\\n\",\"z\":[1.5,"
            "0,100.0]}}\n");
}

TEST_F(RelayTest, ReleaseSocketWinsOverDev) {
  auto dev = start_echo_host(socket("mcp-dev.sock"));
  auto release = start_echo_host(socket("mcp.sock"));
  Finished done = run_bridge("{\"id\":1,\"method\":\"a\"}\n", env());
  EXPECT_THAT(split_lines(done.out),
              ElementsAre("{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"a\"}}"));
  EXPECT_EQ(release->transcript().size(), 1u);
  EXPECT_TRUE(dev->transcript().empty());
}

TEST_F(RelayTest, NewConnectionReplaysInitializeFirst) {
  const std::string init =
      "{\"id\":0,\"jsonrpc\":\"2.0\",\"method\":\"initialize\",\"params\":{\"protocolVersion\":"
      "\"2025-06-18\"}}";
  auto host = start_echo_host(socket());
  BridgeProcess bridge(bridge_executable(), env());
  bridge.send(init + "\n");
  ASSERT_TRUE(bridge.read_line());

  // The host restarts: the kept connection is dead, so the next request is
  // answered offline and the one after it opens a new connection.
  host->stop();
  EXPECT_THAT(host->transcript(), ElementsAre(ElementsAre(init)));
  host = start_echo_host(socket());
  bridge.send("{\"id\":1,\"method\":\"tools/list\"}\n");
  EXPECT_THAT(bridge.read_line().value_or(""),
              StartsWith("{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"tools\":"));
  bridge.send("{\"id\":2,\"method\":\"tools/call\"}\n");
  EXPECT_EQ(bridge.read_line(),
            "{\"id\":2,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"tools/call\"}}");
  // A new initialize on a fresh connection is sent once, not replayed first.
  host->stop();
  host = start_echo_host(socket());
  bridge.send("{\"id\":3,\"method\":\"notifications/x\"}\n");  // finds the dead connection
  bridge.send("{\"id\":4,\"method\":\"initialize\"}\n");
  EXPECT_EQ(bridge.read_line(),
            "{\"id\":4,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"initialize\"}}");
  bridge.send("{\"id\":5,\"method\":\"ping\"}\n");
  EXPECT_TRUE(bridge.read_line());
  Finished done = bridge.finish();
  EXPECT_EQ(done.status, 0);
  EXPECT_THAT(host->transcript(), ElementsAre(ElementsAre("{\"id\":4,\"method\":\"initialize\"}",
                                                          "{\"id\":5,\"method\":\"ping\"}")));
}

TEST_F(RelayTest, ReplayOnNewConnectionPrecedesNotification) {
  auto host = start_echo_host(socket());
  BridgeProcess bridge(bridge_executable(), env());
  bridge.send("{\"id\":0,\"method\":\"initialize\"}\n");
  ASSERT_TRUE(bridge.read_line());
  host->stop();
  host = start_echo_host(socket());
  bridge.send("{\"method\":\"notifications/initialized\"}\n");  // dead connection: dropped
  bridge.send("{\"method\":\"notifications/again\"}\n");        // new connection
  bridge.send("{\"id\":1,\"method\":\"ping\"}\n");
  EXPECT_EQ(bridge.read_line(), "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"ping\"}}");
  bridge.finish();
  EXPECT_THAT(host->transcript(), ElementsAre(ElementsAre("{\"id\":0,\"method\":\"initialize\"}",
                                                          "{\"method\":\"notifications/again\"}",
                                                          "{\"id\":1,\"method\":\"ping\"}")));
}

TEST_F(RelayTest, ReplyFraming) {
  const std::string big(20000, 'x');
  auto host = start_host(socket(), [&](size_t, const std::string& line) -> Answer {
    if (line.find("\"big\"") != std::string::npos) {
      return {"{\"id\":1,\"result\":\"" + big + "\"}\n"};
    }
    if (line.find("\"two\"") != std::string::npos) {
      return {"{\"id\":2,\"result\":\"first\"}\n{\"id\":2,\"result\":\"second\"}\n"};
    }
    if (line.find("\"text\"") != std::string::npos) return {"Failed\n"};
    if (line.find("\"next\"") != std::string::npos) return {"{\"id\":4,\"result\":\"ok\"}\n"};
    if (line.find("\"end\"") != std::string::npos) {
      return {"{\"id\":5,\"result\":\"unterminated\"}", true};
    }
    return {};  // "any" is answered by the surplus line of "two"
  });
  Finished done = run_bridge(
      "{\"id\":1,\"method\":\"big\"}\n{\"id\":2,\"method\":\"two\"}\n{\"id\":3,\"method\":\"any\"}"
      "\n"
      "{\"id\":3,\"method\":\"text\"}\n{\"id\":4,\"method\":\"next\"}\n{\"id\":5,\"method\":"
      "\"end\"}\n",
      env());
  Lines lines = split_lines(done.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines[0] == "{\"id\":1,\"result\":\"" + big + "\"}") << lines[0].size();
  lines.erase(lines.begin());
  EXPECT_THAT(
      lines,
      ElementsAre("{\"id\":2,\"result\":\"first\"}",
                  // The surplus line answers the next request, as lines pair by order.
                  "{\"id\":2,\"result\":\"second\"}",
                  "{\"error\":{\"code\":-32603,\"message\":\"invalid response body: expected value "
                  "at line 1 column 1\"},\"id\":3,\"jsonrpc\":\"2.0\"}",
                  "{\"id\":4,\"result\":\"ok\"}", "{\"id\":5,\"result\":\"unterminated\"}"));
  // All of it went over one connection: a failed answer keeps it.
  EXPECT_EQ(host->transcript().size(), 1u);
}

// Tool results of hundreds of kilobytes: long strings in written form are
// relayed from where they were read, others rewritten, members put in order
// around them (the long "result" first, too), and each answer is whole even
// when the next is shorter.
TEST_F(RelayTest, LongToolResultsAreRelayedExactly) {
  const auto text_of = [](size_t size) {  // in written form: escapes as the bridge writes them
    std::string text;
    for (int i = 0; text.size() < size; ++i) {
      text += "line " + std::to_string(i) + " \\\"q\\\" C:\\\\dir caf\xC3\xA9 \xF0\x9F\xA6\x8A\\n";
    }
    return text;
  };
  const std::string text = text_of(300'000), shorter = text_of(100'000);
  const std::string rewritten_form = text + "\\/";  // "\/" is written "/"
  auto host = start_host(socket(), [&](size_t, const std::string& line) -> Answer {
    const std::string id = line.find("\"id\":1") != std::string::npos ? "1" : "2";
    const std::string& body = id == "1" ? text : shorter;
    const std::string result = "\"result\":{\"content\":[{\"type\":\"text\",\"text\":\"" + body +
                               "\"},{\"type\":\"text\",\"text\":\"" + rewritten_form +
                               "\"}],\"isError\":false}";
    const std::string envelope = "\"jsonrpc\":\"2.0\",\"id\":" + id;
    return {id == "1" ? "{" + envelope + "," + result + "}\n"
                      : "{" + result + "," + envelope + "}\n"};
  });
  Finished done = run_bridge(
      "{\"id\":1,\"method\":\"tools/call\"}\n{\"id\":2,\"method\":\"tools/call\"}\n", env());
  const auto answer = [&](const std::string& id, const std::string& body) {
    return "{\"id\":" + id + ",\"jsonrpc\":\"2.0\",\"result\":{\"content\":[{\"text\":\"" + body +
           "\",\"type\":\"text\"},{\"text\":\"" + text +
           "/\",\"type\":\"text\"}],\"isError\":false}}";
  };
  const Lines lines = split_lines(done.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0] == answer("1", text)) << lines[0].size();
  EXPECT_TRUE(lines[1] == answer("2", shorter)) << lines[1].size();
}

TEST_F(RelayTest, KeepsRelayingAfterTheClientClosesStandardOutput) {
  auto host = start_echo_host(socket());
  BridgeProcess bridge(bridge_executable(), env());
  bridge.send("{\"id\":1,\"method\":\"a\"}\n");
  ASSERT_TRUE(bridge.read_line());
  bridge.close_stdout();
  for (int i = 2; i <= 50; ++i) {
    bridge.send("{\"id\":" + std::to_string(i) + ",\"method\":\"a\"}\n");
  }
  Finished done = bridge.finish();
  EXPECT_EQ(done.status, 0);
  EXPECT_EQ(done.err, "");
  ASSERT_EQ(host->transcript().size(), 1u);
  EXPECT_EQ(host->transcript()[0].size(), 50u);
}

}  // namespace
}  // namespace zorvs_mcp::testing
