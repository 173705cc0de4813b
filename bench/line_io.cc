#include "line_io.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zorvs_bench {
namespace {
// Reads ask for at least this much room, so that a relay's output arrives
// in few reads; the buffer doubles when less is left.
constexpr std::size_t kMinRoom = 64 << 10;
}  // namespace

LineInput::LineInput(int fd, std::size_t resident) : fd_(fd), buffer_(resident, '\0') {}

std::optional<std::string_view> LineInput::next() {
  std::size_t scanned = start_;
  while (true) {
    if (const void* nl = std::memchr(buffer_.data() + scanned, '\n', end_ - scanned)) {
      const auto at = static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_.data());
      std::string_view line(buffer_.data() + start_, at - start_);
      start_ = at + 1;
      return line;
    }
    scanned = end_;
    if (at_end_) {
      if (start_ == end_) return std::nullopt;
      std::string_view line(buffer_.data() + start_, end_ - start_);
      start_ = end_;
      return line;
    }
    if (start_ > 0) {  // move the partial line to the front
      std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
      end_ -= start_;
      scanned -= start_;
      start_ = 0;
    }
    if (buffer_.size() - end_ < kMinRoom)
      buffer_.resize(std::max(2 * buffer_.size(), end_ + kMinRoom));
    ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      at_end_ = true;
      continue;
    }
    end_ += static_cast<std::size_t>(n);
  }
}

bool write_all(int fd, iovec* pieces, int count) {
  while (count > 0) {
    ssize_t n = ::writev(fd, pieces, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    auto left = static_cast<std::size_t>(n);
    while (count > 0 && left >= pieces->iov_len) {
      left -= pieces->iov_len;
      ++pieces;
      --count;
    }
    if (count > 0) {
      pieces->iov_base = static_cast<char*>(pieces->iov_base) + left;
      pieces->iov_len -= left;
    }
  }
  return true;
}

bool write_all(int fd, std::string_view bytes) {
  iovec piece{const_cast<char*>(bytes.data()), bytes.size()};
  return write_all(fd, &piece, 1);
}

}  // namespace zorvs_bench
