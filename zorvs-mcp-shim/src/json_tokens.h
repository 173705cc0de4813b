// The tokens of a JSON text as the bridge's own reader and the relay read
// them. Each takes what the Boost path (boost_reader.h) takes for the common
// case and gives up (null, false) on the rest, so that the Boost path
// decides.
#pragma once

#include <cstddef>
#include <cstring>
#include <optional>
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
// a control character or an escape not taken here.
char* unescape(std::string_view raw, char* out);

// The number token at p: an integer that fits 64 bits (int64 unless only
// uint64 holds it) or a double read with read_double, as the Boost path reads
// it, stored in `out`, with p moved past it.
bool read_number(const char*& p, const char* end, Value& out);

// The place the fast path and the rewriter have reached in a text, and the
// steps both take over white space and punctuation.
class TextCursor {
 protected:
  explicit TextCursor(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

  // Containers nested deeper than this are left to the Boost path, which
  // owns the limit (kMaxDepth).
  static constexpr int kFastDepth = kMaxDepth - 2;

  void skip_space() {
    while (p_ != end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
  }

  // Steps over `word` when the text goes on with it.
  bool take_word(std::string_view word) {
    if (static_cast<std::size_t>(end_ - p_) < word.size()) return false;
    if (std::memcmp(p_, word.data(), word.size()) != 0) return false;
    p_ += word.size();
    return true;
  }

  // Steps over `c` when it comes next.
  bool take(char c) {
    if (p_ == end_ || *p_ != c) return false;
    ++p_;
    return true;
  }

  // After a member or element: true at ',' (consumed with the space around
  // it), false otherwise.
  bool next_item() {
    skip_space();
    if (!take(',')) return false;
    skip_space();
    return true;
  }

  const char* p_;
  const char* const end_;
};

}  // namespace zorvs_mcp::json
