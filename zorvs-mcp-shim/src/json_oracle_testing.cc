// Boost's parser with the bridge's rules, for tests only: the second reader
// parse() is compared with. Boost reports a coarse error code and the offset
// where it stopped; the words come from a scan of the prefix it accepted.
#include "json_oracle_testing.h"

#include <boost/json/basic_parser_impl.hpp>
#include <boost/json/error.hpp>
#include <boost/json/value_stack.hpp>

#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "number_text.h"
#include "json_tokens.h"

namespace zorvs_mcp::json {

namespace bj = boost::json;

namespace {

// Boost reports an error code and, through the consumed count, the offset of
// the byte where it stopped. Its codes are coarse ("syntax error"), so the
// words come from a scan of the consumed prefix, which Boost accepted and is
// therefore a valid beginning of a JSON text: the scan tracks the open
// containers, what is expected next, and whether it ends inside a string or
// inside a number or literal. This runs only when parsing has failed.

enum class Expect {
  kValue,        // top level, after ':'
  kArrayFirst,   // after '[': a value or ']'
  kArrayNext,    // after ',' in an array: a value
  kObjectFirst,  // after '{': a key or '}'
  kObjectNext,   // after ',' in an object: a key
  kColon,        // after a key
  kComma,        // after a value in a container: ',' or the closing bracket
  kDone,         // after the top-level value
};

bool is_token_byte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
         c == '+' || c == '-';
}

struct PrefixScan {
  std::vector<char> open;  // 'o' or 'a' per open container, innermost last
  Expect expect = Expect::kValue;
  bool in_string = false;
  bool after_backslash = false;
  bool in_token = false;  // inside a number or literal
  std::size_t token_start = 0;

  bool in_object() const { return !open.empty() && open.back() == 'o'; }

  void value_done() { expect = open.empty() ? Expect::kDone : Expect::kComma; }

  void end_token() {
    in_token = false;
    value_done();
  }

  void scan(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      if (in_string) {
        if (after_backslash) {
          after_backslash = false;
        } else if (c == '\\') {
          after_backslash = true;
        } else if (c == '"') {
          in_string = false;
          if (expect == Expect::kObjectFirst || expect == Expect::kObjectNext) {
            expect = Expect::kColon;
          } else {
            value_done();
          }
        }
        continue;
      }
      if (in_token) {
        if (is_token_byte(c)) continue;
        end_token();
      }
      switch (c) {
        case ' ':
        case '\t':
        case '\n':
        case '\r':
          break;
        case '{':
          open.push_back('o');
          expect = Expect::kObjectFirst;
          break;
        case '[':
          open.push_back('a');
          expect = Expect::kArrayFirst;
          break;
        case '}':
        case ']':
          if (!open.empty()) open.pop_back();
          value_done();
          break;
        case ':':
          expect = Expect::kValue;
          break;
        case ',':
          expect = in_object() ? Expect::kObjectNext : Expect::kArrayNext;
          break;
        case '"':
          in_string = true;
          break;
        default:
          in_token = true;
          token_start = i;
          break;
      }
    }
  }
};

// Offset of the first byte of `text` from `start` on that differs from the
// literal beginning there (true, false or null), or text.size() when the text
// ends first, or npos when the whole literal matches.
std::size_t literal_mismatch(std::string_view text, std::size_t start) {
  std::string_view word;
  switch (text[start]) {
    case 't':
      word = "true";
      break;
    case 'f':
      word = "false";
      break;
    default:
      word = "null";
      break;
  }
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (start + k >= text.size()) return text.size();
    if (text[start + k] != word[k]) return start + k;
  }
  return std::string_view::npos;
}

std::string describe_eof(const PrefixScan& s, std::string_view text) {
  const std::size_t end = text.size();
  if (s.in_string) return describe_at("EOF while parsing a string", text, end);
  switch (s.expect) {
    case Expect::kArrayFirst:
      return describe_at("EOF while parsing a list", text, end);
    case Expect::kObjectFirst:
    case Expect::kColon:
      return describe_at("EOF while parsing an object", text, end);
    case Expect::kComma:
      return describe_at(
          s.in_object() ? "EOF while parsing an object" : "EOF while parsing a list", text, end);
    default:
      break;
  }
  return describe_at("EOF while parsing a value", text, end);
}

std::string describe(std::string_view text, std::size_t pos, const bj::error_code& ec,
                     std::size_t out_of_range_at) {
  if (out_of_range_at != std::string_view::npos) {
    return describe_at("number out of range", text, out_of_range_at);
  }
  if (ec == bj::error::too_deep) return describe_at("recursion limit exceeded", text, pos);

  PrefixScan s;
  s.scan(text.substr(0, pos));

  if (ec == bj::error::exponent_overflow) {
    return describe_at("number out of range", text, s.in_token ? s.token_start : pos);
  }
  if (ec == bj::error::object_too_large || ec == bj::error::array_too_large) {
    return describe_at("container too large", text, pos);
  }
  if (ec == bj::error::key_too_large || ec == bj::error::string_too_large) {
    return describe_at("string too large", text, pos);
  }

  // Inside a number or literal that the offending byte may belong to.
  if (s.in_token) {
    const char first = text[s.token_start];
    if (first == 't' || first == 'f' || first == 'n') {
      const std::size_t m = literal_mismatch(text, s.token_start);
      if (m == text.size()) return describe_at("EOF while parsing a value", text, m);
      if (m != std::string_view::npos) return describe_at("expected ident", text, m);
      s.end_token();  // a complete literal: go on with what follows it
    } else {
      const auto last = static_cast<unsigned char>(text[pos - 1]);
      const bool complete = last >= '0' && last <= '9';
      if (pos >= text.size()) {
        if (!complete) return describe_at("EOF while parsing a value", text, pos);
      } else if (!complete || is_token_byte(static_cast<unsigned char>(text[pos]))) {
        return describe_at("invalid number", text, pos);
      }
      s.end_token();
    }
  }

  if (pos >= text.size()) return describe_eof(s, text);
  const auto c = static_cast<unsigned char>(text[pos]);

  if (s.in_string) {
    if (s.after_backslash || ec == bj::error::expected_hex_digit) {
      return describe_at("invalid escape", text, pos);
    }
    if (c < 0x20)
      return describe_at("control character (\\u0000-\\u001F) found while parsing a string", text,
                         pos);
    if (c >= 0x80) return describe_at("invalid UTF-8", text, pos);
    // A printable ASCII byte is refused only after a \u escape of a lone
    // or misplaced surrogate.
    return describe_at("invalid unicode code point", text, pos);
  }

  switch (s.expect) {
    case Expect::kValue:
    case Expect::kArrayFirst:
    case Expect::kArrayNext:
      if (c == ']' && s.expect == Expect::kArrayNext) {
        return describe_at("trailing comma", text, pos);
      }
      if (c == 't' || c == 'f' || c == 'n') {
        const std::size_t m = literal_mismatch(text, pos);
        if (m == text.size()) return describe_at("EOF while parsing a value", text, m);
        if (m != std::string_view::npos) return describe_at("expected ident", text, m);
      }
      if (c == '-' || (c >= '0' && c <= '9')) return describe_at("invalid number", text, pos);
      return describe_at("expected value", text, pos);
    case Expect::kObjectFirst:
    case Expect::kObjectNext:
      if (c == '}' && s.expect == Expect::kObjectNext) {
        return describe_at("trailing comma", text, pos);
      }
      return describe_at("key must be a string", text, pos);
    case Expect::kColon:
      return describe_at("expected `:`", text, pos);
    case Expect::kComma:
      return describe_at(s.in_object() ? "expected `,` or `}`" : "expected `,` or `]`", text, pos);
    case Expect::kDone:
      break;
  }
  return describe_at("trailing characters", text, pos);
}

}  // namespace


namespace {

// Boost's basic_parser does the syntax and builds the tree through a
// value_stack, exactly as boost::json::stream_parser does, with one change in
// the handler: doubles are converted from their text with read_double.
// Boost 1.81's own conversion is not correctly rounded (about a quarter of
// all shortest round-trip texts read back as a neighbouring double), and it
// turns 1e400 into infinity, which the bridge rejects.

class Handler {
 public:
  static constexpr std::size_t max_object_size = bj::object::max_size();
  static constexpr std::size_t max_array_size = bj::array::max_size();
  static constexpr std::size_t max_key_size = bj::string::max_size();
  static constexpr std::size_t max_string_size = bj::string::max_size();

  Handler(const char* base, unsigned char* temp, std::size_t temp_size)
      : st(bj::storage_ptr(), temp, temp_size), base_(base) {}

  bj::value_stack st;

  // Offset of the first byte of a number too large for a double, if any.
  std::size_t out_of_range_at() const { return out_of_range_at_; }

  bool on_document_begin(bj::error_code&) { return true; }
  bool on_document_end(bj::error_code&) { return true; }
  bool on_object_begin(bj::error_code&) { return true; }
  bool on_object_end(std::size_t n, bj::error_code&) {
    st.push_object(n);
    return true;
  }
  bool on_array_begin(bj::error_code&) { return true; }
  bool on_array_end(std::size_t n, bj::error_code&) {
    st.push_array(n);
    return true;
  }
  bool on_key_part(bj::string_view s, std::size_t, bj::error_code&) {
    st.push_chars(s);
    return true;
  }
  bool on_key(bj::string_view s, std::size_t, bj::error_code&) {
    st.push_key(s);
    return true;
  }
  bool on_string_part(bj::string_view s, std::size_t, bj::error_code&) {
    st.push_chars(s);
    return true;
  }
  bool on_string(bj::string_view s, std::size_t, bj::error_code&) {
    st.push_string(s);
    return true;
  }
  bool on_number_part(bj::string_view s, bj::error_code&) {
    if (number_.empty()) number_start_ = s.data();
    number_.append(s.data(), s.size());
    return true;
  }
  bool on_int64(std::int64_t i, bj::string_view, bj::error_code&) {
    number_.clear();
    st.push_int64(i);
    return true;
  }
  bool on_uint64(std::uint64_t u, bj::string_view, bj::error_code&) {
    number_.clear();
    st.push_uint64(u);
    return true;
  }
  bool on_double(double, bj::string_view s, bj::error_code& ec) {
    const char* start = s.data();
    std::string_view text(s.data(), s.size());
    if (!number_.empty()) {  // only when the number arrived in parts
      start = number_start_;
      number_.append(s.data(), s.size());
      text = number_;
    }
    const std::optional<double> d = read_double(text);
    if (!d) {
      out_of_range_at_ = static_cast<std::size_t>(start - base_);
      ec = bj::error::exponent_overflow;
      return false;
    }
    number_.clear();
    st.push_double(*d);
    return true;
  }
  bool on_bool(bool b, bj::error_code&) {
    st.push_bool(b);
    return true;
  }
  bool on_null(bj::error_code&) {
    st.push_null();
    return true;
  }
  bool on_comment_part(bj::string_view, bj::error_code&) { return true; }
  bool on_comment(bj::string_view, bj::error_code&) { return true; }

 private:
  const char* base_;
  std::size_t out_of_range_at_ = std::string_view::npos;
  std::string number_;  // number text collected from parts (rare)
  const char* number_start_ = nullptr;
};

}  // namespace

ParseResult parse_with_boost(std::string_view text) {
  bj::parse_options options;
  options.max_depth = kMaxDepth - 1;  // Boost fails beyond max_depth levels
  unsigned char temp[4096];
  bj::basic_parser<Handler> parser(options, text.data(), temp, sizeof temp);
  bj::error_code ec;
  std::size_t consumed = 0;
  try {
    parser.handler().st.reset();
    consumed = parser.write_some(false, text.data(), text.size(), ec);
    if (!ec && consumed == text.size()) return parser.handler().st.release();
  } catch (const std::bad_alloc&) {
    return ParseError{describe_at("out of memory", text, text.size())};
  } catch (const std::length_error&) {
    return ParseError{describe_at("out of memory", text, text.size())};
  }
  return ParseError{describe(text, consumed, ec, parser.handler().out_of_range_at())};
}

}  // namespace zorvs_mcp::json
