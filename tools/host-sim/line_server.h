// A Unix-socket server speaking the host side of the line protocol: every
// line a connection sends is handed to a handler, whose answer bytes are
// written back. It records what each connection sent, so tests can check
// exactly what reached the host.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zorvs::hostsim {

struct Answer {
  std::string bytes;         // written back as they are (usually one line)
  bool close_after = false;  // close the connection once written
};

class LineServer {
 public:
  // `connection` counts connections from 0 in the order they were accepted;
  // `line` comes without its "\n".
  using Handler = std::function<Answer(size_t connection, const std::string& line)>;

  // Binds and listens at `path` (a stale socket file there is replaced).
  // Returns nothing when that fails.
  static std::unique_ptr<LineServer> start(const std::string& path, Handler handler);
  ~LineServer();

  // Stops accepting, closes every connection and removes the socket file.
  void stop();

  // The lines each connection sent so far, one entry per accepted
  // connection (a connection closed without data has no lines).
  std::vector<std::vector<std::string>> transcript() const;

 private:
  LineServer(std::string path, int listener, Handler handler);
  void accept_loop();
  void serve(size_t index, int fd);

  const std::string path_;
  const int listener_;
  int wake_[2] = {-1, -1};
  Handler handler_;
  mutable std::mutex mutex_;
  std::vector<std::vector<std::string>> transcript_;
  std::vector<int> open_fds_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
  bool stopped_ = false;
};

}  // namespace zorvs::hostsim
