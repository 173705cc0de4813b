#include "line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zorvs_mcp {
namespace {
constexpr size_t kBufferSize = 8192;
constexpr size_t kKeptCapacity = 1 << 20;
}  // namespace

void release_if_oversized(std::string& buffer) {
  if (buffer.capacity() > kKeptCapacity && buffer.size() < buffer.capacity() / 4) {
    std::string().swap(buffer);
  }
}

LineReader::LineReader(int fd) : fd_(fd), buffer_(new char[kBufferSize]) {}

LineReader::Result LineReader::next(std::string& line) {
  line.clear();
  while (true) {
    if (read_pos_ == fill_) {
      if (at_end_) return line.empty() ? Result{End{}} : Result{Line{}};
      ssize_t n = ::read(fd_, buffer_.get(), kBufferSize);
      if (n < 0) {
        int err = errno;
        if (err == EINTR) continue;
        if (err == EBADF) {
          at_end_ = true;
          continue;
        }
        line.clear();
        return Error{std::string(std::strerror(err)) + " (os error " + std::to_string(err) + ")"};
      }
      read_pos_ = 0;
      fill_ = static_cast<size_t>(n);
      if (n == 0) {
        at_end_ = true;
        continue;
      }
    }
    if (take_through_newline(buffer_.get(), read_pos_, fill_, line)) return Line{};
  }
}

}  // namespace zorvs_mcp
