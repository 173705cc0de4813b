// Cuts standard input into lines through an 8192-byte buffer.
#pragma once

#include <memory>
#include <string>
#include <variant>

namespace zorvs_mcp {

// Line buffers keep their capacity from one message to the next, so that a
// run of large messages reuses the same memory. After a message much smaller
// than the buffer, a buffer above 1 MiB is freed instead: one huge tool
// result does not pin its memory for the rest of the session.
void release_if_oversized(std::string& buffer);

class LineReader {
 public:
  struct Line {};
  struct End {};
  struct Error {
    std::string description;  // "<os text> (os error N)"
  };
  using Result = std::variant<Line, End, Error>;

  explicit LineReader(int fd);

  // Reads the next line, with its "\n" if it had one, into `line`. A read
  // that fails because the descriptor is not open counts as end of input.
  Result next(std::string& line);

 private:
  int fd_;
  std::unique_ptr<char[]> buffer_;
  size_t read_pos_ = 0;
  size_t fill_ = 0;
  bool at_end_ = false;
};

}  // namespace zorvs_mcp
