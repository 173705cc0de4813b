#include "host_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "host_contract.h"

#if !defined(MSG_NOSIGNAL)
#define MSG_NOSIGNAL 0  // macOS: SO_NOSIGPIPE is set on the socket instead
#endif

namespace zorvs::hostcheck {
namespace {

using Clock = std::chrono::steady_clock;

// Bounds connect() (where the platform waits on a full backlog) and send().
void limit_waits(int fd, Millis limit) {
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(limit.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>((limit.count() % 1000) * 1000);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
#if defined(SO_NOSIGPIPE)
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
}

std::string os_error(int err) {
  return std::strerror(err);
}

}  // namespace

std::variant<HostLine, std::string> HostLine::connect(const std::string& path, Millis limit) {
  sockaddr_un address{};
  if (path.size() > host::kMaxSocketPathBytes || path.size() > sizeof address.sun_path) {
    return "the path is longer than " + std::to_string(host::kMaxSocketPathBytes) +
           " bytes, so no client can connect to it";
  }
  if (path.find('\0') != std::string::npos) return "the path contains a NUL byte";
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
#if defined(__APPLE__)
  address.sun_len = static_cast<uint8_t>(length);
#endif
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return os_error(errno);
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  limit_waits(fd, limit);
  int rc;
  do {
    rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    return os_error(err);
  }
  return HostLine(fd);
}

HostLine::HostLine(HostLine&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), pending_(std::move(other.pending_)) {}

HostLine& HostLine::operator=(HostLine&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    pending_ = std::move(other.pending_);
  }
  return *this;
}

HostLine::~HostLine() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> HostLine::write_line(std::string_view text) {
  std::string line(text);
  line.push_back('\n');
  std::string_view left = line;
  while (!left.empty()) {
    ssize_t n = ::send(fd_, left.data(), left.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return "the host does not read";
    if (n <= 0) return os_error(n < 0 ? errno : EPIPE);
    left.remove_prefix(static_cast<size_t>(n));
  }
  return std::nullopt;
}

LineRead HostLine::read_line(Millis limit) {
  const auto deadline = Clock::now() + limit;
  size_t searched = 0;
  while (true) {
    if (size_t nl = pending_.find('\n', searched); nl != std::string::npos) {
      std::string line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      return line;
    }
    searched = pending_.size();
    const auto left = std::chrono::ceil<Millis>(deadline - Clock::now());
    if (left.count() <= 0) return TimedOut{};
    pollfd p{fd_, POLLIN, 0};
    int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return ReadFailed{os_error(errno)};
    if (ready == 0) return TimedOut{};
    char buffer[65536];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ReadFailed{os_error(errno)};
    if (n == 0) {
      if (pending_.empty()) return Closed{};
      return std::exchange(pending_, {});
    }
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace zorvs::hostcheck
