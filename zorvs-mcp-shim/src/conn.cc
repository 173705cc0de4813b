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
      socket_(other.socket_) {
  other.socket_ = -1;
}

Conn& Conn::operator=(Conn&& other) noexcept {
  if (this != &other) {
    if (socket_ >= 0) ::close(socket_);
    buffer_ = std::move(other.buffer_);
    read_pos_ = other.read_pos_;
    fill_ = other.fill_;
    socket_ = other.socket_;
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

std::variant<Reply, IoError> Conn::recv() {
  Reply reply;
  if (auto error = collect_line(reply.line)) return std::move(*error);
  const std::string_view line = reply.line.view();
  if (line.empty()) return IoError{IoError::Kind::UnexpectedEof, "bridge closed connection"};
  auto error = json::relay(line, kMinBorrowed, reply.text);
  if (error && !is_valid_utf8(line)) {
    error->description = "stream did not contain valid UTF-8";
  }
  if (error) return IoError{IoError::Kind::InvalidData, std::move(error->description)};
  return reply;
}

std::optional<IoError> Conn::collect_line(json::TextBuffer& line) {
  while (true) {
    if (read_pos_ < fill_) {
      if (take_through_newline(buffer_.get(), read_pos_, fill_, line)) return std::nullopt;
      continue;
    }
    // The buffer is empty: one receive of up to its size goes straight to
    // the end of the line, so that a long line is not copied piece by piece
    // out of the buffer.
    const size_t at = line.size();
    line.resize(at + kConnBufferSize);
    const ssize_t n = ::recv(socket_, line.data() + at, kConnBufferSize, 0);
    const int error = errno;
    line.resize(at + (n > 0 ? static_cast<size_t>(n) : 0));
    if (n < 0) {
      if (error == EINTR) continue;
      return os_error(error);
    }
    if (n == 0) return std::nullopt;  // end of stream: the line is what was collected
    const char* start = line.data() + at;
    if (const void* newline = std::memchr(start, '\n', static_cast<size_t>(n))) {
      // What follows the line feed goes to the buffer for the next line.
      const size_t end = static_cast<size_t>(static_cast<const char*>(newline) - line.data()) + 1;
      read_pos_ = 0;
      fill_ = line.size() - end;
      std::memcpy(buffer_.get(), line.data() + end, fill_);
      line.resize(end);
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
  if (auto* reply = std::get_if<Reply>(&answer)) return std::move(*reply);
  const IoError& error = std::get<IoError>(answer);
  if (error.kind == IoError::Kind::InvalidData) {
    return Failed{"invalid response body: " + error.description};
  }
  return Unreachable{};
}

}  // namespace zorvs_mcp
