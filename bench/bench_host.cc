// bench-host: the host side of the relay benchmark.
//
//   bench-host --home DIR [--small-bytes N] [--large-bytes N]
//
// Listens on the bridge's release socket under DIR (as HOME) and answers
// every request line, that is every line with an "id", with a prepared
// tools/call answer carrying that id: the large one when the request names
// the tool "large", the small one otherwise. Lines without "id" are
// notifications and get no answer. Prints the socket path once it listens
// and runs until its standard input ends.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "host_contract.h"
#include "line_io.h"
#include "payloads.h"

namespace zorvs_bench {
namespace {

struct Replies {
  ReplyTemplate small;
  ReplyTemplate large;
};

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "bench-host: %s\n", why.c_str());
  std::exit(1);
}

// The text of the "id" member's value, or nothing for a notification. The
// driver writes ids as plain numbers, so the value ends at ',' or '}'.
std::optional<std::string_view> request_id(std::string_view line) {
  const size_t key = line.find("\"id\":");
  if (key == std::string_view::npos) return std::nullopt;
  const size_t start = key + 5;
  const size_t end = line.find_first_of(",}", start);
  if (end == std::string_view::npos) return std::nullopt;
  return line.substr(start, end - start);
}

void serve(int fd, const Replies* replies) {
  LineInput requests(fd);
  while (auto line = requests.next()) {
    auto id = request_id(*line);
    if (!id) continue;
    const bool large = line->find("\"name\":\"large\"") != std::string_view::npos;
    const ReplyTemplate& reply = large ? replies->large : replies->small;
    iovec pieces[3] = {
        {const_cast<char*>(reply.head.data()), reply.head.size()},
        {const_cast<char*>(id->data()), id->size()},
        {const_cast<char*>(reply.tail.data()), reply.tail.size()},
    };
    if (!write_all(fd, pieces, 3)) break;
  }
  ::close(fd);
}

void make_dirs(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0700);
  }
  ::mkdir(path.c_str(), 0700);
}

int listen_at(const std::string& path) {
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) fail("socket path too long: " + path);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  ::unlink(path.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0) {
    fail("cannot listen at " + path + ": " + std::strerror(errno));
  }
  return fd;
}

// Accepts connections until standard input ends.
void accept_until_stdin_ends(int listener, const Replies& replies) {
  pollfd fds[2] = {{listener, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
  while (true) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) {
      char byte;
      if (::read(STDIN_FILENO, &byte, 1) <= 0) return;
    }
    if (fds[0].revents & POLLIN) {
      const int fd = ::accept(listener, nullptr, nullptr);
      if (fd >= 0) std::thread(serve, fd, &replies).detach();
    }
  }
}

}  // namespace
}  // namespace zorvs_bench

int main(int argc, char** argv) {
  namespace zb = zorvs_bench;
  std::string home;
  size_t small_bytes = 200;
  size_t large_bytes = 10'000'000;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view flag = argv[i];
    if (flag == "--home") {
      home = argv[i + 1];
    } else if (flag == "--small-bytes") {
      small_bytes = std::strtoul(argv[i + 1], nullptr, 10);
    } else if (flag == "--large-bytes") {
      large_bytes = std::strtoul(argv[i + 1], nullptr, 10);
    } else {
      zb::fail("unknown option " + std::string(flag));
    }
  }
  if (home.empty()) zb::fail("usage: bench-host --home DIR [--small-bytes N] [--large-bytes N]");

  const zb::Replies replies{zb::tool_result_reply(zb::document_text(small_bytes)),
                            zb::tool_result_reply(zb::document_text(large_bytes))};
  const std::string dir =
      home + "/Library/Application Support/" + std::string(zorvs::host::kAppIdentifier);
  zb::make_dirs(dir);
  const std::string path = dir + "/" + std::string(zorvs::host::kReleaseSocketName);
  const int listener = zb::listen_at(path);
  std::printf("%s\n", path.c_str());
  std::fflush(stdout);
  zb::accept_until_stdin_ends(listener, replies);
  ::unlink(path.c_str());
  return 0;
}
