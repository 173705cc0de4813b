#include "line_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#if !defined(MSG_NOSIGNAL)
#define MSG_NOSIGNAL 0  // macOS: the process ignores SIGPIPE instead
#endif

namespace zorvs::hostsim {
namespace {

int cloexec(int fd) {
  if (fd >= 0) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  return fd;
}

bool send_all(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::unique_ptr<LineServer> LineServer::start(const std::string& path, Handler handler) {
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) return nullptr;
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
  std::unique_ptr<LineServer> server(new LineServer(path, fd, std::move(handler)));
  server->acceptor_ = std::thread([s = server.get()] { s->accept_loop(); });
  return server;
}

LineServer::LineServer(std::string path, int listener, Handler handler)
    : path_(std::move(path)), listener_(listener), handler_(std::move(handler)) {
  if (::pipe(wake_) == 0) {
    cloexec(wake_[0]);
    cloexec(wake_[1]);
  } else {
    wake_[0] = wake_[1] = -1;
  }
}

LineServer::~LineServer() {
  stop();
}

void LineServer::stop() {
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

std::vector<std::vector<std::string>> LineServer::transcript() const {
  std::lock_guard lock(mutex_);
  return transcript_;
}

void LineServer::accept_loop() {
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
    size_t index = transcript_.size();
    transcript_.emplace_back();
    open_fds_.push_back(fd);
    threads_.emplace_back([this, index, fd] { serve(index, fd); });
  }
}

void LineServer::serve(size_t index, int fd) {
  std::string pending;
  size_t scanned = 0;  // bytes of `pending` known to hold no "\n"
  char buffer[65536];
  bool open = true;
  while (open) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<size_t>(n));
    size_t start = 0;
    for (size_t nl; open && (nl = pending.find('\n', std::max(start, scanned))) != std::string::npos;
         start = nl + 1) {
      std::string line = pending.substr(start, nl - start);
      {
        std::lock_guard lock(mutex_);
        transcript_[index].push_back(line);
      }
      Answer answer = handler_(index, line);
      if (!answer.bytes.empty() && !send_all(fd, answer.bytes)) open = false;
      if (answer.close_after) open = false;
    }
    pending.erase(0, start);
    scanned = pending.size();
  }
  std::lock_guard lock(mutex_);
  open_fds_.erase(std::remove(open_fds_.begin(), open_fds_.end(), fd), open_fds_.end());
  ::close(fd);
}

}  // namespace zorvs::hostsim
