// A host socket whose connections a test serves with its own code, for what
// the line server cannot do: stop reading, reset a connection, cut a line
// short, take lines of any length, or count lines without keeping them.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zorvs_mcp::testing {

// Line-wise reading and writing on one connected socket. Only bytes that
// arrived since the last search are searched for a line feed, so a line of
// any length is found in linear time.
class HostLines {
 public:
  explicit HostLines(int fd) : fd_(fd) {}

  // The next line without its "\n", or nothing once the stream ends or fails
  // (an unterminated last line is dropped).
  std::optional<std::string> read_line();
  // Writes all of `bytes`; false when the connection failed.
  bool write(std::string_view bytes);

 private:
  int fd_;
  std::string pending_;
  size_t searched_ = 0;
};

// Makes closing `fd` abort the connection (SO_LINGER with a zero time).
// With data sent to `fd` still unread at the close, the peer's next read
// then fails with a reset instead of seeing the end of the stream, where
// the platform does so (`closing_unread_resets()`).
void reset_on_close(int fd);
// Whether closing a Unix stream socket that holds unread data resets its
// peer on this platform (Linux does; others may just end the stream).
bool closing_unread_resets();

class RawHost {
 public:
  // Runs on a thread of its own for each accepted connection, numbered from
  // 0 in accept order. The connection is closed when it returns.
  using Serve = std::function<void(size_t connection, int fd)>;

  // Listens at `path` (its directory is created, a stale socket replaced).
  // Returns nothing when that fails.
  static std::unique_ptr<RawHost> start(const std::string& path, Serve serve);
  ~RawHost();

  // Stops accepting, shuts every open connection down so that blocked reads
  // end, waits for every `Serve` call to return and removes the socket file.
  void stop();

 private:
  RawHost(std::string path, int listener, Serve serve);
  void accept_loop();
  void run(size_t index, int fd);

  const std::string path_;
  const int listener_;
  int wake_[2] = {-1, -1};
  Serve serve_;
  std::mutex mutex_;
  size_t accepted_ = 0;
  std::vector<int> open_fds_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
  bool stopped_ = false;
};

}  // namespace zorvs_mcp::testing
