// Cuts standard input into lines through an 8192-byte buffer.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <variant>

namespace zorvs_mcp {

// Line buffers keep their capacity from one message to the next, so that a
// run of large messages reuses the same memory. After a message much smaller
// than the buffer, a buffer above 1 MiB is freed instead: one huge tool
// result does not pin its memory for the rest of the session.
void release_if_oversized(std::string& buffer);

// Moves the bytes of buffer[read_pos, fill) up to and including the first
// line feed, or all of them when there is none, to the end of `line`.
// Returns whether it found the line feed.
template <class Text>
bool take_through_newline(const char* buffer, size_t& read_pos, size_t fill, Text& line) {
  const char* start = buffer + read_pos;
  const void* newline = std::memchr(start, '\n', fill - read_pos);
  const size_t take = newline ? static_cast<size_t>(static_cast<const char*>(newline) - start) + 1
                              : fill - read_pos;
  line.append(start, take);
  read_pos += take;
  return newline != nullptr;
}

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
