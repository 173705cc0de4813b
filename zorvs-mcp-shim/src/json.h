// The bridge's JSON layer: Boost.JSON's value model with the bridge's own
// rules for reading and writing it, and the relay of a reply line from text
// to text.
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

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "text_buffer.h"

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

// Appends the compact text of `value` to `out`. Returns false, with `out`
// unchanged, when arrays and objects nest deeper than kMaxWriteDepth (values
// the parser produced, wrapped in up to 8 levels of envelope, always write).
// A double that is not finite, which the parser never produces, is written
// as null.
bool write(const Value& value, std::string& out);
bool write(const Value& value, TextBuffer& out);

// The compact text of `value`, or the empty text when it cannot be written.
std::string to_text(const Value& value);

// A stretch of a relayed text that is not copied but borrowed from the line
// it was relayed from: written[at, at + size) is left unwritten and stands
// for from[0, size).
struct Borrowed {
  std::size_t at;
  const char* from;
  std::size_t size;
};

// The canonical text of one reply line as relay() leaves it: what it wrote
// anew, with room left for the stretches borrowed from the line.
struct Relayed {
  // Where a member of the text's top-level object lies: written[key, value)
  // is its key and colon, written[value, end) its value.
  struct Member {
    std::size_t key;
    std::size_t value;
    std::size_t end;
  };

  TextBuffer written;
  std::vector<Borrowed> borrowed;
  std::vector<Member> members;  // empty unless the text is an object

  // The text in order: stretches of `written` and the borrowed ones between
  // them, valid while the line is and this is unchanged.
  std::vector<std::string_view> spans() const;
  // The same for the value of the top-level member named `key`, or nothing
  // when there is none.
  std::optional<std::vector<std::string_view>> member_value(std::string_view key) const;
};

// Appends to `relayed` what write() writes for the value parse() reads from
// `line`, going from text to text without building the value where it can:
// a reply is read only to be written again. A string token of at least
// `min_borrowed` bytes that needs no change is borrowed from the line rather
// than copied. `relayed.members` is replaced. On a parse error, returns it
// with `relayed` otherwise unchanged.
std::optional<ParseError> relay(std::string_view line, std::size_t min_borrowed, Relayed& relayed);

}  // namespace zorvs_mcp::json
