// The bridge's line handling: arbitrary bytes on standard input, relayed to a
// scripted host that also misbehaves on request, never crash the bridge, and
// every line it writes to standard output is one valid JSON text in the
// bridge's compact form. The loop runs in this process over memory files,
// with a host thread on a Unix socket in a temporary home.
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <boost/json.hpp>

#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include "bridge.h"
#include "fake_env.h"
#include "fuzz/fuzz_target.h"
#include "host_contract.h"
#include "json.h"
#include "message.h"
#include "socket_server.h"

namespace {

using zorvs::fuzz::require;
namespace json = zorvs_mcp::json;

// What the host writes back to a request, and whether it then closes the
// connection. A method naming one of the faults below makes the host
// misbehave in that way; any other request is echoed.
struct HostTurn {
  std::string bytes;
  bool close = false;
};

HostTurn host_turn(const json::Value& message) {
  const std::string_view method = zorvs_mcp::message_method(message).value_or("");
  auto names = [method](std::string_view fault) {
    return method.find(fault) != std::string_view::npos;
  };
  if (names("fault/close")) return {"", true};
  if (names("fault/cut")) return {"{\"id\":1,\"res", true};
  if (names("fault/text")) return {"not json\n"};
  if (names("fault/bytes")) return {"\"\xFF\xFE\"\n"};
  if (names("fault/blank")) return {"\n"};
  if (names("fault/deep")) return {std::string(1000, '[') + std::string(1000, ']') + "\n"};
  const json::Value* id = zorvs_mcp::message_id(message);
  json::Value answer = {
      {"id", id ? *id : json::Value(nullptr)}, {"jsonrpc", "2.0"}, {"result", {{"echo", method}}}};
  std::string line = json::to_text(answer) + "\n";
  if (names("fault/two")) return {line + line};
  if (names("fault/unterminated")) return {line.substr(0, line.size() - 1), true};
  return {line};
}

// Answers what the bridge waits for: every request, and the initialize that
// opens a connection (a replayed one is read even when it has no "id").
void serve_connection(int fd) {
  zorvs::hostsim::ConnectionLines lines(fd);
  bool first = true;
  while (auto line = lines.read_line()) {
    auto parsed = json::parse(*line);
    const auto* message = std::get_if<json::Value>(&parsed);
    require(message != nullptr, "the bridge sends the host valid JSON lines");
    const bool opening = first && zorvs_mcp::message_method(*message) == "initialize";
    first = false;
    if (!opening && zorvs_mcp::is_notification(*message)) continue;
    HostTurn turn = host_turn(*message);
    if (!lines.write(turn.bytes) || turn.close) return;
  }
}

// The temporary home with the host's socket, and the host thread, made once
// for the whole run.
class Surroundings {
 public:
  Surroundings() {
    signal(SIGPIPE, SIG_IGN);  // as the bridge's own start-up does
    std::string pattern = "/tmp/zorvs-fuzz-XXXXXX";  // socket paths inside stay short
    require(mkdtemp(pattern.data()) != nullptr, "a temporary home can be made");
    home_ = pattern;
    const std::string dir =
        home_ + "/Library/Application Support/" + std::string(zorvs::host::kAppIdentifier);
    std::filesystem::create_directories(dir);
    listener_ = listen_at(dir + "/mcp.sock");
    std::thread([listener = listener_] {
      while (true) {
        int fd = ::accept(listener, nullptr, nullptr);
        if (fd < 0) continue;
        serve_connection(fd);
        ::close(fd);
      }
    }).detach();
  }
  ~Surroundings() {
    std::error_code ec;
    std::filesystem::remove_all(home_, ec);
  }

  const std::string& home() const { return home_; }

 private:
  static int listen_at(const std::string& path) {
    sockaddr_un address{};
    require(path.size() < sizeof address.sun_path, "the socket path fits");
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    require(fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::listen(fd, 4) == 0,
            "the host can listen");
    return fd;
  }

  std::string home_;
  int listener_ = -1;
};

int memory_file(std::string_view contents) {
#if defined(__linux__)
  int fd = ::memfd_create("zorvs-fuzz", MFD_CLOEXEC);
#else
  FILE* file = std::tmpfile();
  int fd = file ? ::dup(fileno(file)) : -1;
  if (file) std::fclose(file);
#endif
  require(fd >= 0, "a memory file can be made");
  while (!contents.empty()) {
    ssize_t n = ::write(fd, contents.data(), contents.size());
    require(n > 0, "a memory file can be written");
    contents.remove_prefix(static_cast<size_t>(n));
  }
  ::lseek(fd, 0, SEEK_SET);
  return fd;
}

std::string whole(int fd) {
  std::string all;
  char buffer[65536];
  ::lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
    all.append(buffer, static_cast<size_t>(n));
  }
  return all;
}

void check_answers(std::string_view out) {
  require(out.empty() || out.back() == '\n', "every answer ends with a line feed");
  boost::json::parse_options any_depth;
  any_depth.max_depth = std::size_t{1} << 20;
  for (size_t nl; (nl = out.find('\n')) != std::string_view::npos; out.remove_prefix(nl + 1)) {
    const std::string_view line = out.substr(0, nl);
    boost::system::error_code ec;
    (void)boost::json::parse(line, ec, {}, any_depth);
    require(!ec, "every answer is valid JSON");
    auto parsed = json::parse(line);
    const auto* value = std::get_if<json::Value>(&parsed);
    require(value && json::to_text(*value) == line, "every answer is written in compact form");
  }
}

void check_error_output(std::string_view err) {
  if (err.empty()) return;
  require(err.starts_with("[zorvs-mcp] stdin read error: ") && err.ends_with("\n") &&
              err.find('\n') == err.size() - 1,
          "standard error holds at most the one read-error line");
}

}  // namespace

ZORVS_FUZZ_TARGET(bridge_lines) {
  static Surroundings surroundings;
  zorvs_mcp::testing::FakeEnv env;
  env.vars = {{"HOME", surroundings.home()}, {"ZORVS_SHIM_NO_AUTOLAUNCH", "1"}};
  const int in = memory_file({reinterpret_cast<const char*>(data), size});
  const int out = memory_file({});
  const int err = memory_file({});
  require(zorvs_mcp::run_bridge(env, in, out, err) == 0, "the loop always returns 0");
  check_answers(whole(out));
  check_error_output(whole(err));
  require(env.runs.empty(), "no program is started while launching is blocked");
  for (int fd : {in, out, err}) ::close(fd);
  return 0;
}
