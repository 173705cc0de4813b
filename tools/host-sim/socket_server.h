// A Unix-socket server that serves each connection it accepts on a thread
// of its own with the caller's code, and line-wise reading and writing on
// one connection. The line server, the bench host's tests and the bridge's
// fault tests are built on it.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zorvs::hostsim {

class SocketServer {
 public:
  // Runs on a thread of its own for each accepted connection, numbered from
  // 0 in accept order. The connection is closed when it returns.
  using Serve = std::function<void(size_t connection, int fd)>;

  // Listens at `path` (its directory is created, a stale socket replaced).
  // Returns nothing when that fails.
  static std::unique_ptr<SocketServer> start(const std::string& path, Serve serve);
  ~SocketServer();

  // Stops accepting, shuts every open connection down so that blocked reads
  // end, waits for every `Serve` call to return and removes the socket file.
  void stop();

  // How many connections were accepted so far.
  size_t accepted() const;

 private:
  SocketServer(std::string path, int listener, Serve serve);
  void accept_loop();
  void run(size_t index, int fd);

  const std::string path_;
  const int listener_;
  int wake_[2] = {-1, -1};
  Serve serve_;
  mutable std::mutex mutex_;
  size_t accepted_ = 0;
  std::vector<int> open_fds_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
  bool stopped_ = false;
};

// Line-wise reading and writing on one connected socket. Only bytes that
// arrived since the last search are searched for a line feed, so a line of
// any length is found in linear time.
class ConnectionLines {
 public:
  explicit ConnectionLines(int fd) : fd_(fd) {}

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

}  // namespace zorvs::hostsim
