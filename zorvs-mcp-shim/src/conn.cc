#include "conn.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <utility>

#include "host_contract.h"
#include "line_reader.h"
#include "message.h"
#include "utf8.h"

namespace zorvs_mcp {
namespace {

// A string of a reply this long is written from where it was read rather
// than copied: tool results (file contents, pictures as base64) are.
constexpr size_t kMinBorrowed = 64 << 10;

// The socket address path field is 104 bytes on macOS; the same limit holds
// everywhere so that the bridge behaves alike on every platform.
constexpr size_t kMaxSocketPath = zorvs::host::kMaxSocketPathBytes;

IoError os_error(int err) {
  return {IoError::Kind::Other,
          std::string(std::strerror(err)) + " (os error " + std::to_string(err) + ")"};
}

std::optional<int> connect_to(std::string_view path) {
  sockaddr_un address{};
  if (path.size() > kMaxSocketPath || path.size() > sizeof(address.sun_path)) {
    return std::nullopt;
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  // A path that fills the whole field goes without its terminating NUL.
  auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
#if defined(__APPLE__)
  address.sun_len = static_cast<uint8_t>(length);
#endif

#if defined(SOCK_CLOEXEC)
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
#else
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
#endif
  if (fd < 0) return std::nullopt;
#if defined(SO_NOSIGPIPE)
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof(one));
#endif
  int rc;
  do {
    rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return fd;
}

}  // namespace

std::optional<int> connect_first(const CandidateList& candidates) {
  for (const std::string& candidate : candidates) {
    auto name = build_name(candidate);
    if (!name) continue;
    if (auto fd = connect_to(*name)) return fd;
  }
  return std::nullopt;
}

Conn::Conn(int socket) : buffer_(new char[kConnBufferSize]), socket_(socket) {}

Conn::Conn(Conn&& other) noexcept
    : buffer_(std::move(other.buffer_)),
      read_pos_(other.read_pos_),
      fill_(other.fill_),
      socket_(other.socket_),
      line_(std::move(other.line_)),
      relayed_(std::move(other.relayed_)) {
  other.socket_ = -1;
}

Conn& Conn::operator=(Conn&& other) noexcept {
  if (this != &other) {
    if (socket_ >= 0) ::close(socket_);
    buffer_ = std::move(other.buffer_);
    read_pos_ = other.read_pos_;
    fill_ = other.fill_;
    socket_ = other.socket_;
    line_ = std::move(other.line_);
    relayed_ = std::move(other.relayed_);
    other.socket_ = -1;
  }
  return *this;
}

Conn::~Conn() {
  if (socket_ >= 0) ::close(socket_);
}

std::optional<IoError> Conn::send(int socket, const json::Value& message) {
  std::string line;
  if (!json::write(message, line)) {
    return IoError{IoError::Kind::InvalidData, "value cannot be serialized"};
  }
  line.push_back('\n');
  const char* data = line.data();
  size_t left = line.size();
  while (left > 0) {
    ssize_t n = ::send(socket, data, left, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return os_error(errno);
    }
    if (n == 0) return IoError{IoError::Kind::Other, "failed to write whole buffer"};
    data += n;
    left -= static_cast<size_t>(n);
  }
  return std::nullopt;
}

std::variant<std::vector<std::string_view>, IoError> Conn::recv() {
  // The last reply's pieces point into both buffers until now.
  line_.release_if_oversized();
  line_.clear();
  relayed_.written.release_if_oversized();
  relayed_.written.clear();
  relayed_.borrowed.clear();
  if (auto error = collect_line()) return std::move(*error);
  const std::string_view line = line_.view();
  if (line.empty()) return IoError{IoError::Kind::UnexpectedEof, "bridge closed connection"};
  // Long strings stay where they were read, and the answer is written from
  // both buffers.
  auto error = json::relay(line, kMinBorrowed, relayed_);
  if (error && !is_valid_utf8(line)) {
    error->description = "stream did not contain valid UTF-8";
  }
  if (error) return IoError{IoError::Kind::InvalidData, std::move(error->description)};
  relayed_.written.push_back('\n');
  return relayed_.spans();
}

std::optional<IoError> Conn::collect_line() {
  while (true) {
    if (read_pos_ < fill_) {
      if (take_through_newline(buffer_.get(), read_pos_, fill_, line_)) return std::nullopt;
      continue;
    }
    // The buffer is empty: one receive of up to its size goes straight to
    // the end of the line, so that a long line is not copied piece by piece
    // out of the buffer.
    const size_t at = line_.size();
    line_.resize(at + kConnBufferSize);
    const ssize_t n = ::recv(socket_, line_.data() + at, kConnBufferSize, 0);
    const int error = errno;
    line_.resize(at + (n > 0 ? static_cast<size_t>(n) : 0));
    if (n < 0) {
      if (error == EINTR) continue;
      return os_error(error);
    }
    if (n == 0) return std::nullopt;  // end of stream: the line is what was collected
    const char* start = line_.data() + at;
    if (const void* newline = std::memchr(start, '\n', static_cast<size_t>(n))) {
      // What follows the line feed stays in the buffer for the next line.
      const size_t end = static_cast<size_t>(static_cast<const char*>(newline) - line_.data()) + 1;
      read_pos_ = 0;
      fill_ = line_.size() - end;
      std::memcpy(buffer_.get(), line_.data() + end, fill_);
      line_.resize(end);
      return std::nullopt;
    }
  }
}

ExchangeOutcome try_exchange(ConnSlot& slot, const CandidateList& candidates,
                             const json::Value& message, bool is_notification,
                             const json::Value* remembered_initialize) {
  if (!slot) {
    auto fd = connect_first(candidates);
    if (!fd) return Unreachable{};
    slot.emplace(*fd);
    // Every connection begins with initialize, so replay the client's.
    if (remembered_initialize && message_method(message) != "initialize") {
      if (!Conn::send(slot->socket(), *remembered_initialize)) (void)slot->recv();
    }
  }
  if (Conn::send(slot->socket(), message)) return Unreachable{};
  if (is_notification) return NoReply{};
  auto answer = slot->recv();
  if (auto* pieces = std::get_if<std::vector<std::string_view>>(&answer)) {
    return Reply{std::move(*pieces)};
  }
  const IoError& error = std::get<IoError>(answer);
  if (error.kind == IoError::Kind::InvalidData) {
    return Failed{"invalid response body: " + error.description};
  }
  return Unreachable{};
}

}  // namespace zorvs_mcp
