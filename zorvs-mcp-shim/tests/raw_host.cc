#include "raw_host.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#if !defined(MSG_NOSIGNAL)
#define MSG_NOSIGNAL 0  // macOS: the test process ignores SIGPIPE instead
#endif

namespace zorvs_mcp::testing {
namespace {

int cloexec(int fd) {
  if (fd >= 0) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  return fd;
}

}  // namespace

std::optional<std::string> HostLines::read_line() {
  while (true) {
    if (const void* nl =
            std::memchr(pending_.data() + searched_, '\n', pending_.size() - searched_)) {
      size_t end = static_cast<size_t>(static_cast<const char*>(nl) - pending_.data());
      // The line takes the buffer; only what follows it is copied back.
      std::string line = std::move(pending_);
      pending_.assign(line, end + 1);
      line.resize(end);
      searched_ = 0;
      return line;
    }
    searched_ = pending_.size();
    char buffer[65536];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

bool HostLines::write(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void reset_on_close(int fd) {
  linger abort{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

bool closing_unread_resets() {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return false;
  (void)::send(pair[0], "x", 1, MSG_NOSIGNAL);
  reset_on_close(pair[1]);
  ::close(pair[1]);
  char byte;
  ssize_t n = ::recv(pair[0], &byte, 1, 0);
  int err = errno;
  ::close(pair[0]);
  return n < 0 && err == ECONNRESET;
}

std::unique_ptr<RawHost> RawHost::start(const std::string& path, Serve serve) {
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) return nullptr;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = cloexec(::socket(AF_UNIX, SOCK_STREAM, 0));
  if (fd < 0) return nullptr;
  ::unlink(path.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(fd, 16) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::unique_ptr<RawHost> host(new RawHost(path, fd, std::move(serve)));
  host->acceptor_ = std::thread([h = host.get()] { h->accept_loop(); });
  return host;
}

RawHost::RawHost(std::string path, int listener, Serve serve)
    : path_(std::move(path)), listener_(listener), serve_(std::move(serve)) {
  if (::pipe(wake_) == 0) {
    cloexec(wake_[0]);
    cloexec(wake_[1]);
  } else {
    wake_[0] = wake_[1] = -1;
  }
}

RawHost::~RawHost() {
  stop();
}

void RawHost::stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
    stopped_ = true;
    for (int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
  }
  if (wake_[1] >= 0) (void)::write(wake_[1], "x", 1);
  if (acceptor_.joinable()) acceptor_.join();
  for (std::thread& t : threads_) t.join();
  ::close(listener_);
  ::close(wake_[0]);
  ::close(wake_[1]);
  ::unlink(path_.c_str());
}

void RawHost::accept_loop() {
  while (true) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    int fd = cloexec(::accept(listener_, nullptr, nullptr));
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    if (stopped_) {
      ::close(fd);
      return;
    }
    open_fds_.push_back(fd);
    threads_.emplace_back([this, index = accepted_++, fd] { run(index, fd); });
  }
}

void RawHost::run(size_t index, int fd) {
  serve_(index, fd);
  std::lock_guard lock(mutex_);
  open_fds_.erase(std::remove(open_fds_.begin(), open_fds_.end(), fd), open_fds_.end());
  ::close(fd);
}

}  // namespace zorvs_mcp::testing
