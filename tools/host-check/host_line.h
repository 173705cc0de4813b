// One connection to a host socket, read and written line by line, where
// every wait has a limit: a host that never answers, or never accepts,
// cannot hold the checker up.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace zorvs::hostcheck {

using Millis = std::chrono::milliseconds;

struct TimedOut {};
struct Closed {};  // the host ended the stream
struct ReadFailed {
  std::string error;
};
// A line without its "\n", or why there is none.
using LineRead = std::variant<std::string, TimedOut, Closed, ReadFailed>;

class HostLine {
 public:
  // Connects to the socket at `path`, waiting at most `limit`; the reason
  // when it cannot.
  static std::variant<HostLine, std::string> connect(const std::string& path, Millis limit);

  HostLine(HostLine&& other) noexcept;
  HostLine& operator=(HostLine&& other) noexcept;
  ~HostLine();

  // Writes `text` and a line feed; the reason when it cannot.
  std::optional<std::string> write_line(std::string_view text);
  // The next line, waiting at most `limit` for it. A last line without a
  // line feed counts as a line.
  LineRead read_line(Millis limit);

 private:
  explicit HostLine(int fd) : fd_(fd) {}

  int fd_ = -1;
  std::string pending_;  // received, not yet returned
};

}  // namespace zorvs::hostcheck
