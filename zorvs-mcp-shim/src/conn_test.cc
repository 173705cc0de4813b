#include "conn.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "bridge_process.h"
#include "scripted_host.h"

namespace zorvs_mcp {
namespace {

// The bridge ignores SIGPIPE for its whole life; so does this test program,
// so that a write to a closed peer fails instead of ending it.
const bool kSigpipeIgnored = signal(SIGPIPE, SIG_IGN) != SIG_ERR;

// A connection over one end of a socket pair; the test writes the other end.
struct Pair {
  Pair() {
    int fds[2];
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    conn.emplace(fds[0]);
    peer = fds[1];
  }
  ~Pair() {
    if (peer >= 0) close(peer);
  }
  void write(std::string_view bytes) {
    ASSERT_EQ(::write(peer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void hang_up() {
    close(peer);
    peer = -1;
  }
  std::optional<Conn> conn;
  int peer = -1;
};

std::string joined(const Reply& reply) {
  std::string text;
  for (std::string_view span : reply.text.spans()) text += span;
  return text;
}

std::string recv_text(Conn& conn) {
  auto result = conn.recv();
  if (auto* reply = std::get_if<Reply>(&result)) return "line " + joined(*reply);
  const IoError& error = std::get<IoError>(result);
  const char* kind = error.kind == IoError::Kind::InvalidData     ? "invalid "
                     : error.kind == IoError::Kind::UnexpectedEof ? "eof "
                                                                  : "other ";
  return kind + error.description;
}

TEST(ConnRecv, LinesAcrossFillsAndWithinOneSegment) {
  ASSERT_TRUE(kSigpipeIgnored);
  Pair pair;
  const std::string long_text(3 * kConnBufferSize + 17, 'y');
  pair.write("[\"" + long_text + "\"]\n{\"b\":1,\"a\":2}\n  7 \r\n");
  EXPECT_EQ(recv_text(*pair.conn), "line [\"" + long_text + "\"]");
  EXPECT_EQ(recv_text(*pair.conn), "line {\"a\":2,\"b\":1}");
  EXPECT_EQ(recv_text(*pair.conn), "line 7");
}

// The reply owns the line it was read into, and its text takes the long
// strings from there, also after the reply has moved.
TEST(ConnRecv, LongStringsAreWrittenFromWhereTheyWereRead) {
  Pair pair;
  std::string text;
  for (int i = 0; text.size() < 200'000; ++i)
    text += "line " + std::to_string(i) + " \\n caf\xC3\xA9 ";
  std::thread writer([&] {
    pair.write("{\"z\":1,\"content\":[{\"type\":\"text\",\"text\":\"" + text + "\"}],\"b\":\"" +
               text + "\"}\n{\"after\":true}\n");
  });
  auto result = pair.conn->recv();
  writer.join();
  ASSERT_TRUE(std::holds_alternative<Reply>(result));
  const Reply reply = std::move(std::get<Reply>(result));
  EXPECT_TRUE(joined(reply) == "{\"b\":\"" + text + "\",\"content\":[{\"text\":\"" + text +
                                   "\",\"type\":\"text\"}],\"z\":1}");
  const std::string_view line = reply.line.view();
  ASSERT_FALSE(reply.text.borrowed.empty());
  for (const json::Borrowed& b : reply.text.borrowed) {
    EXPECT_TRUE(b.from > line.data() && b.from + b.size < line.data() + line.size());
  }
  EXPECT_EQ(recv_text(*pair.conn), "line {\"after\":true}");
}

TEST(ConnRecv, Failures) {
  struct Case {
    const char* sent;
    bool hang_up;
    std::string expected;
  } cases[] = {
      {"{\"id\":1}", true, "line {\"id\":1}"},  // last line without "\n"
      {"", true, "eof bridge closed connection"},
      {"\n", false, "invalid EOF while parsing a value at line 2 column 0"},
      {"Failed\n", false, "invalid expected value at line 1 column 1"},
      {"\"\xC3\x28\"\n", false, "invalid stream did not contain valid UTF-8"},
      {"{\"a\":1}{}\n", false, "invalid trailing characters at line 1 column 8"},
  };
  for (const Case& c : cases) {
    Pair pair;
    pair.write(c.sent);
    if (c.hang_up) pair.hang_up();
    std::string got = recv_text(*pair.conn);
    if (std::string(c.expected).starts_with("invalid EOF")) {
      EXPECT_TRUE(got.starts_with("invalid EOF while parsing a value")) << got;
    } else {
      EXPECT_EQ(got, c.expected) << c.sent;
    }
  }
}

TEST(ConnSend, WritesOneCompactLine) {
  Pair pair;
  json::Value message = {{"method", "x"}, {"id", 1}, {"params", {{"z", "a\nb"}, {"a", true}}}};
  EXPECT_FALSE(Conn::send(pair.conn->socket(), message));
  char buffer[256];
  ssize_t n = read(pair.peer, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)),
            "{\"id\":1,\"method\":\"x\",\"params\":{\"a\":true,\"z\":\"a\\nb\"}}\n");
  pair.hang_up();
  auto error = Conn::send(pair.conn->socket(), message);  // broken pipe, not a signal
  ASSERT_TRUE(error);
  EXPECT_EQ(error->kind, IoError::Kind::Other);
}

TEST(ConnectFirst, SocketPathsUpTo104Bytes) {
  testing::TempDir dir;
  auto path_of_length = [&](size_t length) {
    std::string path = dir.path() + "/";
    path += std::string(length - path.size() - 5, 'd') + ".sock";
    return path;
  };
  const std::string fits = path_of_length(104), too_long = path_of_length(105);
  ASSERT_EQ(fits.size(), 104u);
  auto host_fits = testing::start_echo_host(fits);
  ASSERT_TRUE(host_fits);
  // Where the system's address field is longer than 104 bytes (108 on
  // Linux; 104 on macOS), a host can listen on a longer path, and the bridge
  // still does not connect to it.
  std::unique_ptr<testing::LineServer> host_too_long;
  if (sizeof(sockaddr_un{}.sun_path) > 104) {
    host_too_long = testing::start_echo_host(too_long);
    ASSERT_TRUE(host_too_long);
  }

  auto fd = connect_first({too_long, std::string("nul\0", 4), dir.path() + "/absent", fits});
  ASSERT_TRUE(fd);
  close(*fd);
  EXPECT_FALSE(connect_first({too_long}));
  EXPECT_FALSE(connect_first({}));
}

TEST(TryExchange, ReplaysInitializeOnlyOnANewConnection) {
  testing::TempDir dir;
  const std::string socket = dir / "mcp.sock";
  auto host = testing::start_echo_host(socket);
  const CandidateList candidates = {socket};
  const json::Value init = {{"id", 0}, {"method", "initialize"}};
  ConnSlot slot;

  auto outcome = try_exchange(slot, candidates, {{"id", 1}, {"method", "a"}}, false, &init);
  ASSERT_TRUE(std::holds_alternative<Reply>(outcome));
  EXPECT_EQ(joined(std::get<Reply>(outcome)),
            "{\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"echo\":\"a\"}}");
  EXPECT_TRUE(std::holds_alternative<NoReply>(
      try_exchange(slot, candidates, {{"method", "notifications/n"}}, true, &init)));
  EXPECT_TRUE(std::holds_alternative<Reply>(
      try_exchange(slot, candidates, {{"id", 2}, {"method", "b"}}, false, &init)));

  host->stop();
  EXPECT_TRUE(std::holds_alternative<Unreachable>(
      try_exchange(slot, candidates, {{"id", 3}, {"method", "c"}}, false, &init)));
  EXPECT_EQ(host->transcript().size(), 1u);
  EXPECT_EQ(host->transcript()[0].size(), 4u);  // init, a, notification, b
}

}  // namespace
}  // namespace zorvs_mcp
