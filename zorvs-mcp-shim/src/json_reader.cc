#include "json_reader.h"

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>
#include <boost/json/string.hpp>

#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "json_tokens.h"
#include "utf8.h"

namespace zorvs_mcp::json {
namespace {

namespace bj = boost::json;

// A recursive-descent reader that builds the value as it goes, each string
// unescaped straight into its final storage: tool results (file contents,
// pictures as base64) are long strings with escapes in them. The tokenizer
// finds the tokens and the faults; a text known to be valid UTF-8 has its
// string bytes from 0x80 up copied without a check.

class ValueBuilder : Tokenizer {
 public:
  ValueBuilder(std::string_view text, bool check_utf8) : Tokenizer(text, check_utf8) {}

  ParseResult parse() {
    Value v;
    if (value(v, Slot::kValue, 0) && end_of_text() && !fault()) return v;
    return *fault();
  }

 private:
  // The value at the cursor, within `depth` containers.
  bool value(Value& out, Slot slot, int depth) {
    switch (value_start(slot, depth)) {
      case Kind::kFault:
        return false;
      case Kind::kObject:
        return object(out.emplace_object(), depth + 1);
      case Kind::kArray:
        return array(out.emplace_array(), depth + 1);
      case Kind::kString:
        return string(out);
      case Kind::kNumber:
        return number(out);
      case Kind::kLiteral: {
        std::string_view word;
        if (!literal(word)) return false;
        if (word != "null") out = word == "true";  // `out` is null already
        return true;
      }
    }
    return false;
  }

  bool array(bj::array& a, int depth) {
    if (!first_element()) return !has_fault();
    Slot slot = Slot::kValue;
    do {
      if (!value(a.emplace_back(nullptr), slot, depth)) return false;
      slot = Slot::kNextElement;
    } while (next_element());
    return !has_fault();
  }

  bool object(bj::object& o, int depth) {
    if (!first_key()) return !has_fault();
    do {
      std::string_view key;
      if (!read_key(key) || !colon()) return false;
      // A key given twice keeps its later member, in the earlier one's place.
      auto [member, inserted] = o.emplace(key, nullptr);
      if (!inserted) member->value() = nullptr;
      if (!value(member->value(), Slot::kValue, depth)) return false;
    } while (next_key());
    return !has_fault();
  }

  // The string token at the cursor, unescaped into `buffer`: its end, or
  // null when the token is not one the fast scan takes.
  template <class Buffer>
  char* unescape_into(Buffer& buffer) {
    const char* const start = p_;
    const auto raw = scan_string(p_, end_);
    if (raw && (!check_utf8_ || is_valid_utf8(*raw))) {
      reserve(buffer, raw->size());  // unescaping never lengthens
      if (char* end = unescape(*raw, buffer.data())) return end;
    }
    p_ = start;
    return nullptr;
  }

  static void reserve(bj::string& s, std::size_t size) { s.reserve(size); }
  static void reserve(std::string& s, std::size_t size) { s.resize(size); }

  // unescape_into() refuses only strings with a fault, or with a UTF-8
  // sequence cut short, which refuses the whole text: string_fault() says
  // which, and nothing is stored for the string.
  bool string(Value& out) {
    bj::string& s = out.emplace_string();
    char* end = unescape_into(s);
    if (end == nullptr) return string_fault();
    s.grow(static_cast<std::size_t>(end - s.data()));
    return true;
  }

  bool read_key(std::string_view& key) {
    char* end = unescape_into(key_);
    if (end == nullptr) {
      // Without a fault, a UTF-8 sequence ran into the end of the text: an
      // empty key stands in while the rest is read.
      key = std::string_view(key_.data(), 0);
      return string_fault();
    }
    key = std::string_view(key_.data(), static_cast<std::size_t>(end - key_.data()));
    return true;
  }

  std::string key_;  // the key being read, unescaped
};

ParseResult read(std::string_view text, bool check_utf8) {
  try {
    return ValueBuilder(text, check_utf8).parse();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return ParseError{describe_at("out of memory", text, text.size())};
}

}  // namespace

ParseResult parse(std::string_view text) {
  return read(text, !is_valid_utf8(text));
}

ParseResult parse_valid_utf8(std::string_view text) {
  return read(text, false);
}

}  // namespace zorvs_mcp::json
