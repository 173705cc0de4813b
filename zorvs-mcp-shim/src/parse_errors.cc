#include "parse_errors.h"

#include <algorithm>
#include <vector>

namespace zorvs_mcp::json {
namespace {

namespace bj = boost::json;

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

}  // namespace

std::string describe_at(std::string_view what, std::string_view text, std::size_t pos) {
  std::size_t line = 1;
  std::size_t column = 0;
  if (!text.empty()) {
    if (pos >= text.size()) pos = text.size() - 1;  // end of input: the last byte
    const std::string_view before = text.substr(0, pos);
    line += static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
    const std::size_t nl = before.rfind('\n');
    column = pos - (nl == std::string_view::npos ? 0 : nl + 1) + 1;
  }
  std::string out;
  out.reserve(what.size() + 40);
  out.append(what).append(" at line ").append(std::to_string(line));
  out.append(" column ").append(std::to_string(column));
  return out;
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

}  // namespace zorvs_mcp::json
