// The bridge's JSON layer: Boost.JSON as parser and value model, with the
// bridge's own rules on top.
//
// Parsing accepts exactly one JSON value, optionally surrounded by space, tab,
// line feed or carriage return. Integers that fit are held exactly as int64 or
// uint64, every other number as a double; a number too large for a double is
// an error, as is nesting of 128 or more arrays and objects. A key given twice
// keeps its later member. Errors are described as "F at line L column C".
//
// Writing is compact, with object members in ascending byte order of their
// keys, strings escaped only for '"', '\' and controls below U+0020 (\b \t \n
// \f \r or \u00xx in lower-case hex), everything else raw UTF-8, integers in
// plain decimal and doubles in the shortest form that reads back the same.
#pragma once

#include <boost/json/value.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zorvs_mcp::json {

using Value = boost::json::value;

// Arrays and objects nested this deep or deeper do not parse.
inline constexpr int kMaxDepth = 128;

// Arrays and objects nested deeper than this do not write: what parses, plus
// a margin for the envelopes the bridge wraps around parsed values. The
// writer recurses once per level, so this also bounds its stack use.
inline constexpr int kMaxWriteDepth = kMaxDepth + 8;

struct ParseError {
  std::string description;  // "F at line L column C"
};

using ParseResult = std::variant<Value, ParseError>;

// Parses `text` as one JSON value. "-0" is the integer 0 ("-0.0" is the
// double -0.0); a number that underflows reads as a zero of its sign. Strings
// must be valid UTF-8 (a bad sequence is a parse error). The value uses the
// default memory resource, so it may outlive `text` and be moved freely.
ParseResult parse(std::string_view text);

// parse() for text already known to be valid UTF-8 (is_valid_utf8), which
// the bridge checks on every line before parsing it: skips that check.
ParseResult parse_valid_utf8(std::string_view text);

// Boost's parser alone: what parse() falls back to for any text its own
// reader does not take. Tests compare the two.
ParseResult parse_with_boost(std::string_view text);

// Bytes of one message's text: a reply line read from the host, then the
// answer written from it. Grows with realloc, which extends a large block in
// place where it can, so a long text is not copied at every doubling; room
// made for writing is not filled first, so it touches no more memory than
// the text takes.
class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(TextBuffer&& other) noexcept;
  TextBuffer& operator=(TextBuffer&& other) noexcept;
  ~TextBuffer();

  void append(const char* bytes, std::size_t n);
  void push_back(char c) {
    if (size_ < capacity_) {
      data_[size_++] = c;
    } else {
      append(&c, 1);
    }
  }
  void clear() { size_ = 0; }
  // Makes the size `n`; bytes added are left as they are, for the caller to
  // write.
  void resize(std::size_t n);
  std::size_t size() const { return size_; }
  char* data() { return data_; }
  std::string_view view() const { return {data_, size_}; }
  // Frees a block above 1 MiB that the last text used less than a quarter of.
  void release_if_oversized();

 private:
  void reserve(std::size_t n);

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// Appends the compact text of `value` to `out`. Returns false, with `out`
// unchanged, when arrays and objects nest deeper than kMaxWriteDepth (values
// the parser produced, wrapped in up to 8 levels of envelope, always write).
// A double that is not finite, which the parser never produces, is written
// as null.
bool write(const Value& value, std::string& out);
bool write(const Value& value, TextBuffer& out);

// Appends to `out` what write() writes for the value parse() reads from
// `text`, without building the value where it can: a reply read only to be
// written again goes from text to text. On a parse error, returns it with
// `out` unchanged.
std::optional<ParseError> rewrite(std::string_view text, TextBuffer& out);

// A stretch of a rewritten text that is not copied but borrowed from the
// text it was rewritten from: out[at, at + size) stands for from[0, size).
struct Borrowed {
  std::size_t at;
  const char* from;
  std::size_t size;
};

// rewrite() for long texts: a string token of at least `min_borrowed` bytes
// that needs no change is borrowed rather than copied. `out` leaves room of
// its size, unwritten, and `borrowed` gains where it stands in `text`. The
// rewritten text is pieces(out, borrowed), valid while `text` is. On a parse
// error, `out` and `borrowed` are unchanged.
std::optional<ParseError> rewrite_borrowing(std::string_view text, std::size_t min_borrowed,
                                            TextBuffer& out, std::vector<Borrowed>& borrowed);

// The pieces of a rewritten text in order: stretches of `out` and the
// borrowed ones between them.
std::vector<std::string_view> pieces(std::string_view out, const std::vector<Borrowed>& borrowed);

// The compact text of `value`, or the empty text when it cannot be written.
std::string to_text(const Value& value);

}  // namespace zorvs_mcp::json
