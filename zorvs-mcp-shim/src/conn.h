// The one connection to the host socket and the exchange of one message
// over it: lazy connect over the candidates, replay of the remembered
// initialize request on every new connection, one line each way.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

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

// Connects to the first candidate that accepts. Returns the connected,
// blocking, close-on-exec socket, or nothing when no candidate accepts.
std::optional<int> connect_first(const CandidateList& candidates);

// A host's answer as the bridge passes it on: the line as received, and its
// canonical text, which borrows the line's long strings instead of copying
// them. Whoever holds a Reply owns both; moving it leaves the line's bytes
// where they are, so the borrowed stretches stay valid.
struct Reply {
  json::TextBuffer line;
  json::Relayed text;
};

class Conn {
 public:
  explicit Conn(int socket);
  Conn(Conn&& other) noexcept;
  Conn& operator=(Conn&& other) noexcept;
  ~Conn();

  // Writes `message` as one compact line.
  static std::optional<IoError> send(int socket, const json::Value& message);
  // Reads one line and relays it: the reply, or why there is none.
  std::variant<Reply, IoError> recv();

  int socket() const { return socket_; }

 private:
  // Appends bytes up to and including the next line feed, or up to the end
  // of the stream, to `line`.
  std::optional<IoError> collect_line(json::TextBuffer& line);

  std::unique_ptr<char[]> buffer_;
  size_t read_pos_ = 0;
  size_t fill_ = 0;
  int socket_ = -1;
};

using ConnSlot = std::optional<Conn>;

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
