#include "socket_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>

#if !defined(MSG_NOSIGNAL)
#define MSG_NOSIGNAL 0  // macOS: SO_NOSIGPIPE is set on each connection instead
#endif

namespace zorvs::hostsim {
namespace {

int cloexec(int fd) {
  if (fd >= 0) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  return fd;
}

}  // namespace

std::unique_ptr<SocketServer> SocketServer::start(const std::string& path, Serve serve) {
  // A path may fill the whole address field, without a terminating NUL, as
  // the bridge's may: the system's limit is the field's size.
  sockaddr_un address{};
  if (path.size() > sizeof(address.sun_path)) return nullptr;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
#if defined(__APPLE__)
  address.sun_len = static_cast<std::uint8_t>(length);
#endif
  int fd = cloexec(::socket(AF_UNIX, SOCK_STREAM, 0));
  if (fd < 0) return nullptr;
  ::unlink(path.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(fd, 16) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::unique_ptr<SocketServer> server(new SocketServer(path, fd, std::move(serve)));
  server->acceptor_ = std::thread([s = server.get()] { s->accept_loop(); });
  return server;
}

SocketServer::SocketServer(std::string path, int listener, Serve serve)
    : path_(std::move(path)), listener_(listener), serve_(std::move(serve)) {
  if (::pipe(wake_) == 0) {
    cloexec(wake_[0]);
    cloexec(wake_[1]);
  } else {
    wake_[0] = wake_[1] = -1;
  }
}

SocketServer::~SocketServer() {
  stop();
}

void SocketServer::stop() {
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

size_t SocketServer::accepted() const {
  std::lock_guard lock(mutex_);
  return accepted_;
}

void SocketServer::accept_loop() {
  while (true) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    int fd = cloexec(::accept(listener_, nullptr, nullptr));
    if (fd < 0) continue;
#if defined(SO_NOSIGPIPE)
    // The tests run this server inside their own processes, which need not
    // ignore SIGPIPE: a write to a client that left must fail, not kill.
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
    std::lock_guard lock(mutex_);
    if (stopped_) {
      ::close(fd);
      return;
    }
    open_fds_.push_back(fd);
    threads_.emplace_back([this, index = accepted_++, fd] { run(index, fd); });
  }
}

void SocketServer::run(size_t index, int fd) {
  serve_(index, fd);
  std::lock_guard lock(mutex_);
  open_fds_.erase(std::remove(open_fds_.begin(), open_fds_.end(), fd), open_fds_.end());
  ::close(fd);
}

std::optional<std::string> ConnectionLines::read_line() {
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

bool ConnectionLines::write(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace zorvs::hostsim
