#include "json_reader.h"

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>
#include <boost/json/string.hpp>

#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "boost_reader.h"
#include "json_tokens.h"
#include "utf8.h"

namespace zorvs_mcp::json {
namespace {

namespace bj = boost::json;

// Boost 1.81's parser goes through the rest of a string one byte at a time
// once it has met an escape, and gathers every string in a temporary stack
// before copying it into place; tool results (file contents, pictures as
// base64) are long strings with escapes in them. This recursive-descent
// parser reads the JSON such messages are made of and builds the value
// directly, each string unescaped straight into its final storage.
//
// It accepts a subset of what the Boost path accepts and builds the same
// value for it. On anything else (any error, an integer beyond 64 bits, a
// number too large for a double, an unpaired surrogate,
// nesting near the limit) it gives up, and the Boost path parses the text
// from the start: acceptance, values and error descriptions stay the Boost
// path's. Its input is valid UTF-8, so string bytes from 0x80 up are copied
// without a check.

class FastParser : TextCursor {
 public:
  explicit FastParser(std::string_view text) : TextCursor(text) {}

  // The value, or nothing when the text is to go to the Boost path.
  std::optional<Value> parse() {
    Value v;
    skip_space();
    if (!value(v, 0)) return std::nullopt;
    skip_space();
    if (p_ != end_) return std::nullopt;
    return v;
  }

 private:
  bool value(Value& out, int depth) {
    if (p_ == end_) return false;
    switch (*p_) {
      case '{':
        return object(out.emplace_object(), depth + 1);
      case '[':
        return array(out.emplace_array(), depth + 1);
      case '"':
        return string(out.emplace_string());
      case 't':
        if (!take_word("true")) return false;
        out = true;
        return true;
      case 'f':
        if (!take_word("false")) return false;
        out = false;
        return true;
      case 'n':
        return take_word("null");  // `out` is null already
      default:
        return read_number(p_, end_, out);
    }
  }

  bool array(bj::array& a, int depth) {
    if (depth > kFastDepth) return false;
    ++p_;  // '['
    skip_space();
    if (take(']')) return true;
    do {
      if (!value(a.emplace_back(nullptr), depth)) return false;
    } while (next_item());
    return take(']');
  }

  bool object(bj::object& o, int depth) {
    if (depth > kFastDepth) return false;
    ++p_;  // '{'
    skip_space();
    if (take('}')) return true;
    do {
      std::string_view key;
      if (!read_key(key)) return false;
      skip_space();
      if (!take(':')) return false;
      skip_space();
      // A key given twice keeps its later member, in the earlier one's place.
      auto [member, inserted] = o.emplace(key, nullptr);
      if (!inserted) member->value() = nullptr;
      if (!value(member->value(), depth)) return false;
    } while (next_item());
    return take('}');
  }

  bool string(bj::string& out) {
    const auto raw = scan_string(p_, end_);
    if (!raw) return false;
    out.reserve(raw->size());  // unescaping never lengthens
    char* end = unescape(*raw, out.data());
    if (end == nullptr) return false;
    out.grow(static_cast<std::size_t>(end - out.data()));
    return true;
  }

  bool read_key(std::string_view& key) {
    if (p_ == end_ || *p_ != '"') return false;
    const auto raw = scan_string(p_, end_);
    if (!raw) return false;
    key_.resize(raw->size());
    char* end = unescape(*raw, key_.data());
    if (end == nullptr) return false;
    key = std::string_view(key_.data(), static_cast<std::size_t>(end - key_.data()));
    return true;
  }

  std::string key_;  // the key being read, unescaped
};

}  // namespace

ParseResult parse(std::string_view text) {
  if (is_valid_utf8(text)) return parse_valid_utf8(text);
  return parse_with_boost(text);
}

ParseResult parse_valid_utf8(std::string_view text) {
  try {
    if (auto value = FastParser(text).parse()) return std::move(*value);
  } catch (const std::bad_alloc&) {
    // The Boost path runs into the same limit and describes it.
  } catch (const std::length_error&) {
  }
  return parse_with_boost(text);
}

}  // namespace zorvs_mcp::json
