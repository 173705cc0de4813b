// Cuts standard input into lines through an 8192-byte buffer.
#pragma once

#include <memory>
#include <string>
#include <variant>

namespace zorvs_mcp {

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
