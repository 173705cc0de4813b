// The one connection to the host socket and the exchange of one message
// over it: lazy connect over the candidates, replay of the remembered
// initialize request on every new connection, one line each way.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "endpoints.h"
#include "json.h"

namespace zorvs_mcp {

inline constexpr size_t kConnBufferSize = 8192;

// Why a send or a receive failed. Only `InvalidData` descriptions ever reach
// the client (inside a `Failed` outcome).
struct IoError {
  enum class Kind { InvalidData, UnexpectedEof, Other };
  Kind kind;
  std::string description;
};

// Bytes of one line from the host. Grows with realloc, which extends a large
// block in place where it can: a long line is collected without being
// copied again at every doubling, and touches no more memory than it holds.
class LineBuffer {
 public:
  LineBuffer() = default;
  LineBuffer(LineBuffer&& other) noexcept;
  LineBuffer& operator=(LineBuffer&& other) noexcept;
  ~LineBuffer();

  void append(const char* bytes, size_t n);
  void clear() { size_ = 0; }
  std::string_view view() const { return {data_, size_}; }
  // Frees a block above 1 MiB that the last line used less than a quarter of.
  void release_if_oversized();

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Connects to the first candidate that accepts. Returns the connected,
// blocking, close-on-exec socket, or nothing when no candidate accepts.
std::optional<int> connect_first(const CandidateList& candidates);

class Conn {
 public:
  explicit Conn(int socket);
  Conn(Conn&& other) noexcept;
  Conn& operator=(Conn&& other) noexcept;
  ~Conn();

  // Writes `message` as one compact line.
  static std::optional<IoError> send(int socket, const json::Value& message);
  // Reads one line and parses it.
  std::variant<json::Value, IoError> recv();

  int socket() const { return socket_; }

 private:
  // Appends bytes up to and including the next line feed, or up to the end
  // of the stream, to line_.
  std::optional<IoError> collect_line();

  std::unique_ptr<char[]> buffer_;
  size_t read_pos_ = 0;
  size_t fill_ = 0;
  int socket_ = -1;
  LineBuffer line_;  // the line being read, reused from one reply to the next
};

using ConnSlot = std::optional<Conn>;

struct Reply {
  json::Value value;
};
struct NoReply {};
struct Failed {
  std::string text;  // "invalid response body: ..."
};
struct Unreachable {};

using ExchangeOutcome = std::variant<Reply, NoReply, Failed, Unreachable>;

// Delivers `message` to the host and, unless it is a notification, reads the
// host's answer. Opens a connection into `slot` when it is empty; never
// empties it.
ExchangeOutcome try_exchange(ConnSlot& slot, const CandidateList& candidates,
                             const json::Value& message, bool is_notification,
                             const json::Value* remembered_initialize);

}  // namespace zorvs_mcp
