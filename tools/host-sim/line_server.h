// A Unix-socket server speaking the host side of the line protocol: every
// line a connection sends is handed to a handler, whose answer bytes are
// written back. It records what each connection sent, so tests can check
// exactly what reached the host.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "socket_server.h"

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

  // Stops accepting, closes every connection and removes the socket file.
  void stop() { server_->stop(); }

  // The lines each connection sent so far, one entry per accepted
  // connection (a connection closed without data has no lines).
  std::vector<std::vector<std::string>> transcript() const;

 private:
  explicit LineServer(Handler handler) : handler_(std::move(handler)) {}
  void serve(size_t connection, int fd);

  Handler handler_;
  mutable std::mutex mutex_;
  std::vector<std::vector<std::string>> transcript_;
  // Last, so that it is stopped, and its threads done, before the rest goes.
  std::unique_ptr<SocketServer> server_;
};

}  // namespace zorvs::hostsim
