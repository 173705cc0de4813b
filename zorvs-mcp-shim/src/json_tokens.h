// The tokens of a JSON text as the value builder (json_reader.cc) and the
// relay (relay.cc) read them, and the faults met on the way, described where
// they are met: "F at line L column C".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "json.h"

namespace zorvs_mcp::json {

inline int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The string token whose opening quote is at p: what stands between its
// quotes, with p moved past the closing one, or nothing when it does not
// end. A quote ends it unless an odd number of backslashes stands before it.
std::optional<std::string_view> scan_string(const char*& p, const char* end);

// Writes the unescaped `raw` (as scan_string() found it) to out, which has
// room for raw.size() bytes. Returns the end of what was written, or null at
// a control character, a bad escape or a lone surrogate, which
// Tokenizer::string_fault() then describes.
char* unescape(std::string_view raw, char* out);

// "`what` at line L column C" for the byte of `text` at `pos` (the last byte
// when `pos` is at or past the end of the text): lines count from 1 at each
// LF, columns count bytes from 1 (0 only for the empty text).
std::string describe_at(std::string_view what, std::string_view text, std::size_t pos);

// Fault words met in more than one place.
inline constexpr std::string_view kEofValue = "EOF while parsing a value";
inline constexpr std::string_view kEofString = "EOF while parsing a string";
inline constexpr std::string_view kEofObject = "EOF while parsing an object";
inline constexpr std::string_view kEofList = "EOF while parsing a list";
inline constexpr std::string_view kControl =
    "control character (\\u0000-\\u001F) found while parsing a string";

// The cursor in a text that both the value builder and the relay walk
// through its grammar. Each step takes what the grammar allows there or
// records the fault it meets, with the words and at the byte where it is
// met, and returns false; the first fault recorded stands.
class Tokenizer {
 public:
  // With `check_utf8`, strings are checked for UTF-8 as they are met; without
  // it the text is known to be valid UTF-8.
  Tokenizer(std::string_view text, bool check_utf8)
      : p_(text.data()), end_(text.data() + text.size()), check_utf8_(check_utf8), text_(text) {}

  // Where a value is expected: the words for the end of the text there and
  // whether a closing bracket may stand in its place.
  enum class Slot { kValue, kNextElement };

  // What a value is, by its first byte; kFault when it cannot begin one.
  enum class Kind { kFault, kObject, kArray, kString, kNumber, kLiteral };

  // The kind of the value at the cursor (after white space) within `depth`
  // containers, with a container's bracket consumed.
  Kind value_start(Slot slot, int depth);

  // Steps over the literal (true, false, null) at the cursor, into `word`.
  bool literal(std::string_view& word);

  // The number token at the cursor: an integer that fits 64 bits (int64
  // unless only uint64 holds it) or a double read with read_double, stored
  // in `out`, with the cursor moved past it.
  bool number(Value& out);

  // After an array's '[': true with the cursor at its first element, false
  // at its end (']' consumed) or a fault.
  bool first_element();
  // After an element: true at ',' (consumed), false at ']' (consumed) or a
  // fault.
  bool next_element() { return next_item(']'); }
  // After an object's '{': true with the cursor at its first key's quote.
  bool first_key();
  // After a member: true with the cursor at the next key's quote, false at
  // '}' (consumed) or a fault.
  bool next_key();
  // After a key: steps over ':' and the space around it.
  bool colon();
  // After the top-level value: true when only white space is left.
  bool end_of_text();

  // The string token at the cursor (at its opening quote) is one a fast
  // scan refused: walks it, records its fault and returns false, or returns
  // true with the cursor past it when it has none. A UTF-8 sequence cut
  // short by the end of the text is no fault of the string's: fault()
  // reports it once the text has been read.
  bool string_fault();

  // The fault met, if any, described.
  std::optional<ParseError> fault() const;
  bool has_fault() const { return fault_what_.data() != nullptr; }

  // Records a fault at `at` (the end of the text means "at its end").
  bool fail(std::string_view what, const char* at);

 protected:
  const char* p_;
  const char* const end_;
  const bool check_utf8_;

  void skip_space() {
    while (p_ != end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
  }

 private:
  struct StringWalk;

  bool next_item(char close);

  const std::string_view text_;
  std::string_view fault_what_;
  const char* fault_at_ = nullptr;
  bool cut_utf8_ = false;  // a string's UTF-8 sequence ran into the end
  std::string open_;      // '[' or '{' per open container, innermost last
  bool in_key_ = false;   // between a key's opening quote and its colon
};

// The steps over white space and punctuation, inline: they run for every
// token.

[[gnu::always_inline]] inline Tokenizer::Kind Tokenizer::value_start(Slot slot, int depth) {
  skip_space();
  if (p_ == end_) return fail(kEofValue, end_), Kind::kFault;
  switch (*p_) {
    case '{':
    case '[': {
      if (depth + 1 >= kMaxDepth) return fail("recursion limit exceeded", p_), Kind::kFault;
      open_.push_back(*p_);
      return *p_++ == '{' ? Kind::kObject : Kind::kArray;
    }
    case '"':
      return Kind::kString;
    case 't':
    case 'f':
    case 'n':
      return Kind::kLiteral;
    case '-':
      return Kind::kNumber;
    case ']':
      if (slot == Slot::kNextElement) return fail("trailing comma", p_), Kind::kFault;
      break;
    default:
      if (is_digit(*p_)) return Kind::kNumber;
      break;
  }
  return fail("expected value", p_), Kind::kFault;
}

inline bool Tokenizer::literal(std::string_view& word) {
  word = *p_ == 't' ? "true" : *p_ == 'f' ? "false" : "null";
  for (const char c : word) {
    if (p_ == end_) return fail(kEofValue, end_);
    if (*p_ != c) return fail("expected ident", p_);
    ++p_;
  }
  return true;
}

inline bool Tokenizer::first_element() {
  skip_space();
  if (p_ == end_) return fail(kEofList, end_);
  if (*p_ != ']') return true;
  ++p_;
  open_.pop_back();
  return false;
}

inline bool Tokenizer::next_item(char close) {
  skip_space();
  if (p_ == end_) return fail(close == ']' ? kEofList : kEofObject, end_);
  if (*p_ == ',') {
    ++p_;
    return true;
  }
  if (*p_ == close) {
    ++p_;
    open_.pop_back();
    return false;
  }
  return fail(close == ']' ? "expected `,` or `]`" : "expected `,` or `}`", p_);
}

inline bool Tokenizer::first_key() {
  skip_space();
  if (p_ == end_) return fail(kEofObject, end_);
  if (*p_ == '}') {
    ++p_;
    open_.pop_back();
    return false;
  }
  if (*p_ != '"') return fail("key must be a string", p_);
  in_key_ = true;
  return true;
}

inline bool Tokenizer::next_key() {
  if (!next_item('}')) return false;
  skip_space();
  if (p_ == end_) return fail(kEofValue, end_);
  if (*p_ == '}') return fail("trailing comma", p_);
  if (*p_ != '"') return fail("key must be a string", p_);
  in_key_ = true;
  return true;
}

inline bool Tokenizer::colon() {
  in_key_ = false;
  skip_space();
  if (p_ == end_) return fail(kEofObject, end_);
  if (*p_ != ':') return fail("expected `:`", p_);
  ++p_;
  return true;
}

inline bool Tokenizer::end_of_text() {
  skip_space();
  if (p_ != end_) return fail("trailing characters", p_);
  return true;
}

}  // namespace zorvs_mcp::json
