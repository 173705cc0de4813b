// Reading lines from, and writing whole buffers to, a descriptor: the bench
// host's and the driver's side of every relay.
#pragma once

#include <sys/uio.h>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zorvs_bench {

class LineInput {
 public:
  // `resident` bytes of buffer are made resident up front, so that reading
  // lines up to that size causes no page faults of the reader's own.
  explicit LineInput(int fd, std::size_t resident = 0);

  // The next line without its "\n", valid until the next call, or nothing at
  // the end of input or on a read error. A last line without "\n" counts.
  std::optional<std::string_view> next();

 private:
  int fd_;
  std::string buffer_;
  std::size_t start_ = 0;  // first byte of the next line
  std::size_t end_ = 0;    // end of the bytes read so far
  bool at_end_ = false;
};

// Writes every byte of the pieces, in order; false on an error.
bool write_all(int fd, iovec* pieces, int count);
bool write_all(int fd, std::string_view bytes);

}  // namespace zorvs_bench
