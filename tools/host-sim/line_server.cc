#include "line_server.h"

#include <algorithm>

namespace zorvs::hostsim {

std::unique_ptr<LineServer> LineServer::start(const std::string& path, Handler handler) {
  std::unique_ptr<LineServer> server(new LineServer(std::move(handler)));
  server->server_ = SocketServer::start(
      path, [s = server.get()](size_t connection, int fd) { s->serve(connection, fd); });
  if (!server->server_) return nullptr;
  return server;
}

std::vector<std::vector<std::string>> LineServer::transcript() const {
  std::lock_guard lock(mutex_);
  std::vector<std::vector<std::string>> lines = transcript_;
  // Connections accepted whose first line has not been read yet.
  lines.resize(std::max(lines.size(), server_->accepted()));
  return lines;
}

void LineServer::serve(size_t connection, int fd) {
  ConnectionLines lines(fd);
  while (auto line = lines.read_line()) {
    {
      std::lock_guard lock(mutex_);
      if (transcript_.size() <= connection) transcript_.resize(connection + 1);
      transcript_[connection].push_back(*line);
    }
    Answer answer = handler_(connection, *line);
    if (!answer.bytes.empty() && !lines.write(answer.bytes)) return;
    if (answer.close_after) return;
  }
}

}  // namespace zorvs::hostsim
