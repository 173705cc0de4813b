#include "json_tokens.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "number_text.h"
#include "string_scan.h"
#include "utf8.h"

namespace zorvs_mcp::json {
namespace {

// The code unit of the four hex digits at p, or -1.
long hex4(const char* p) {
  long unit = 0;
  for (int i = 0; i < 4; ++i) {
    const int d = hex_digit(p[i]);
    if (d < 0) return -1;
    unit = unit * 16 + d;
  }
  return unit;
}

char* put_utf8(char* out, unsigned long cp) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (cp >> 18));
    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

// Decodes the \u escape (one code unit, or a surrogate pair) at p into out.
// Advances p past it; null when it is not one.
char* unicode_escape(const char*& p, const char* end, char* out) {
  if (end - p < 6) return nullptr;
  const long unit = hex4(p + 2);
  if (unit < 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return nullptr;
  if (unit < 0xD800 || unit > 0xDBFF) {
    p += 6;
    return put_utf8(out, static_cast<unsigned long>(unit));
  }
  if (end - p < 12 || p[6] != '\\' || p[7] != 'u') return nullptr;
  const long low = hex4(p + 8);
  if (low < 0xDC00 || low > 0xDFFF) return nullptr;
  p += 12;
  return put_utf8(out, 0x10000 + ((static_cast<unsigned long>(unit) - 0xD800) << 10) +
                           (static_cast<unsigned long>(low) - 0xDC00));
}

}  // namespace

// The string token whose opening quote is at p: what stands between its
// quotes, with p moved past the closing one, or nothing when it does not
// end. A quote ends it unless an odd number of backslashes stands before it.
std::optional<std::string_view> scan_string(const char*& p, const char* end) {
  const char* const start = p + 1;
  for (const char* q = start;; ++q) {
    q = static_cast<const char*>(std::memchr(q, '"', static_cast<std::size_t>(end - q)));
    if (q == nullptr) return std::nullopt;
    const char* run = q;
    while (run != start && run[-1] == '\\') --run;
    if ((q - run) % 2 == 0) {
      p = q + 1;
      return std::string_view(start, static_cast<std::size_t>(q - start));
    }
  }
}

// Writes the unescaped `raw` (as scan_string() found it) to out, which has
// room for raw.size() bytes. Returns the end of what was written, or null at
// a control character, a bad escape or a lone surrogate.
char* unescape(std::string_view raw, char* out) {
  const char* p = raw.data();
  const char* const end = p + raw.size();
  while (true) {
    // Unescaping never lengthens, so out has room for the rest of raw.
    const std::size_t run = copy_plain_run(p, static_cast<std::size_t>(end - p), out);
    p += run;
    out += run;
    if (p == end) return out;
    if (*p != '\\') return nullptr;  // a control character: quotes here are escaped
    if (end - p < 2) return nullptr;
    char c;
    switch (p[1]) {
      case '"':
        c = '"';
        break;
      case '\\':
        c = '\\';
        break;
      case '/':
        c = '/';
        break;
      case 'b':
        c = '\b';
        break;
      case 'f':
        c = '\f';
        break;
      case 'n':
        c = '\n';
        break;
      case 'r':
        c = '\r';
        break;
      case 't':
        c = '\t';
        break;
      case 'u':
        out = unicode_escape(p, end, out);
        if (out == nullptr) return nullptr;
        continue;
      default:
        return nullptr;
    }
    *out++ = c;
    p += 2;
  }
}

namespace {

// Bytes that may continue a number or literal: one of them right after a
// complete number makes the whole an invalid number.
bool is_token_byte(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' ||
         c == '-';
}

bool is_hex(char c) {
  return hex_digit(c) >= 0;
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

bool Tokenizer::fail(std::string_view what, const char* at) {
  if (!has_fault()) {
    fault_what_ = what;
    fault_at_ = at;
  }
  return false;
}

std::optional<ParseError> Tokenizer::fault() const {
  // A UTF-8 sequence cut short by the end of the text makes the text end
  // inside a value, whatever the bytes after its first one.
  if (cut_utf8_ && (!has_fault() || !fault_what_.starts_with("EOF"))) {
    return ParseError{describe_at(kEofValue, text_, text_.size())};
  }
  if (!has_fault()) return std::nullopt;
  return ParseError{describe_at(fault_what_, text_, static_cast<std::size_t>(fault_at_ - text_.data()))};
}

bool Tokenizer::number(Value& out) {
  const char* const start = p_;
  const auto digits = [this]() {
    if (p_ == end_) return fail(kEofValue, end_);
    if (!is_digit(*p_)) return fail("invalid number", p_);
    while (p_ != end_ && is_digit(*p_)) ++p_;
    return true;
  };
  const bool negative = *p_ == '-';
  if (negative) ++p_;
  if (p_ == end_) return fail(kEofValue, end_);
  if (!is_digit(*p_)) return fail("invalid number", p_);
  std::uint64_t magnitude = 0;
  bool fits = true;
  if (*p_ == '0') {
    ++p_;
  } else {
    for (; p_ != end_ && is_digit(*p_); ++p_) {
      const auto digit = static_cast<std::uint64_t>(*p_ - '0');
      fits = fits && magnitude <= (UINT64_MAX - digit) / 10;
      magnitude = magnitude * 10 + digit;
    }
  }
  bool integer = true;
  if (p_ != end_ && *p_ == '.') {
    integer = false;
    ++p_;
    if (!digits()) return false;
  }
  if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
    integer = false;
    ++p_;
    if (p_ != end_ && (*p_ == '+' || *p_ == '-')) ++p_;
    if (!digits()) return false;
  }
  if (integer && fits && !negative) {
    if (magnitude <= static_cast<std::uint64_t>(INT64_MAX)) {
      out = static_cast<std::int64_t>(magnitude);
    } else {
      out = magnitude;
    }
  } else if (integer && fits && magnitude <= static_cast<std::uint64_t>(INT64_MAX) + 1) {
    out = static_cast<std::int64_t>(0 - magnitude);  // wraps to INT64_MIN at the border
  } else {
    // A fraction, an exponent, or an integer beyond 64 bits.
    const auto d = read_double(std::string_view(start, static_cast<std::size_t>(p_ - start)));
    if (!d) return fail("number out of range", start);
    out = *d;
  }
  if (p_ != end_ && is_token_byte(*p_)) return fail("invalid number", p_);
  return true;
}

// The strings the fast scan refuses are walked again here a byte at a time,
// only to find the first fault and say where it stands.
//
// Fault positions within a string are those the bridge has always given,
// which were Boost.JSON's: from a string's first escape on, that parser reads
// in windows of a fixed size, and a \u escape that begins more than ten bytes
// before its window ends is read in one go, its faults placed a little
// differently from one read a digit at a time. StringWalk follows the
// windows; the sizes are those of Boost's buffer on each architecture.
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
inline constexpr std::size_t kEscapeWindow = 4096;
#else
inline constexpr std::size_t kEscapeWindow = 256;
#endif

struct Tokenizer::StringWalk {
  Tokenizer& t;
  const char* q;
  const char* window_end = nullptr;  // none before the first escape

  void window_from(const char* from) {
    window_end = static_cast<std::size_t>(t.end_ - from) > kEscapeWindow ? from + kEscapeWindow
                                                                           : t.end_;
  }

  // Windows follow one another unless a read moves them.
  void roll() {
    while (window_end != nullptr && window_end != t.end_ && q >= window_end) {
      window_from(window_end);
    }
  }

  // The words for a fault at a byte in a string met where a character of
  // its own was expected.
  std::string_view byte_fault(const char* at) const {
    if (at == t.end_) return kEofString;
    const auto c = static_cast<unsigned char>(*at);
    if (c < 0x20) return kControl;
    if (c >= 0x80) return "invalid UTF-8";
    return "invalid unicode code point";
  }

  bool run() {
    while (true) {
      roll();
      if (q == t.end_) return t.fail(kEofString, t.end_);
      const auto c = static_cast<unsigned char>(*q);
      if (c == '"') return true;
      if (t.cut_utf8_) {
        // Past a cut sequence only the string's end matters.
        q += c == '\\' && q + 1 != t.end_ ? 2 : 1;
        continue;
      }
      if (c == '\\') {
        if (window_end == nullptr) window_from(q);
        if (!escape()) return false;
      } else if (c < 0x20) {
        return t.fail(kControl, q);
      } else if (c >= 0x80) {
        if (!utf8()) return false;
      } else {
        ++q;
      }
    }
  }

  // Steps over the escape at q (a backslash), or records its fault.
  bool escape() {
    ++q;
    roll();
    if (q == t.end_) return t.fail(kEofString, t.end_);
    if (std::string_view("\"\\/bfnrt").find(*q) != std::string_view::npos) {
      ++q;
      return true;
    }
    if (*q != 'u') return t.fail("invalid escape", q);
    if (window_end - q > 10) return unicode_at_once();
    window_from(q);
    return unicode_by_digit();
  }

  // Four hex digits at q, with q moved past them, or a fault at the first
  // that is not one.
  std::optional<long> hex4() {
    long unit = 0;
    for (int i = 0; i < 4; ++i, ++q) {
      if (q == t.end_) return t.fail(kEofString, t.end_), std::nullopt;
      if (!is_hex(*q)) return t.fail("invalid escape", q), std::nullopt;
      unit = unit * 16 + hex_digit(*q);
    }
    return unit;
  }

  // The four hex digits at `digits` read at once: their code unit, or a
  // fault placed as many bytes after `from` as the first three hold hex
  // digits.
  std::optional<long> hex4_at_once(const char* digits, const char* from) {
    long unit = 0;
    int good = 0;
    bool bad = false;
    for (int i = 0; i < 4; ++i) {
      const int d = hex_digit(digits[i]);
      bad = bad || d < 0;
      if (d >= 0 && i < 3) ++good;
      unit = unit * 16 + d;
    }
    if (bad) return digits_fault(digits, from + good), std::nullopt;
    return unit;
  }

  // A \u escape's digits read at once and refused at `at`. Boost's scan of
  // what it had read took a quote among them for the string's end, and
  // the bytes after it for what follows the string.
  bool digits_fault(const char* digits, const char* at) {
    // (For the first escape of a pair `at` may stand before its digits.)
    const char* quote = at > digits ? std::find(digits, at, '"') : at;
    if (quote == at) return t.fail("invalid escape", at);
    const char* token = quote + 1;
    if (token != at) {
      if (*token == 't' || *token == 'f' || *token == 'n') {
        const std::string_view word = *token == 't' ? "true" : *token == 'f' ? "false" : "null";
        for (const char c : word) {
          if (token == t.end_) return t.fail(kEofValue, t.end_);
          if (*token != c) return t.fail("expected ident", token);
          ++token;
        }
      } else if (!is_digit(at[-1]) || is_token_byte(*at)) {
        return t.fail("invalid number", at);
      }
    }
    if (t.in_key_) return t.fail("expected `:`", at);
    if (t.open_.empty()) return t.fail("trailing characters", at);
    return t.fail(t.open_.back() == '[' ? "expected `,` or `]`" : "expected `,` or `}`", at);
  }

  bool unicode_at_once() {
    const char* const u = q;
    const auto unit = hex4_at_once(u + 1, u);
    if (!unit) return false;
    if (*unit >= 0xDC00 && *unit <= 0xDFFF) return t.fail("invalid escape", u);
    if (*unit < 0xD800 || *unit > 0xDFFF) {
      q = u + 5;
      return true;
    }
    if (u[5] != '\\') return t.fail(byte_fault(u + 5), u + 5);
    if (u[6] != 'u') return t.fail("invalid escape", u + 6);
    const auto low = hex4_at_once(u + 7, u + 7);
    if (!low) return false;
    if (*low < 0xDC00 || *low > 0xDFFF) return t.fail("invalid unicode code point", u + 7);
    q = u + 11;
    return true;
  }

  bool unicode_by_digit() {
    ++q;  // 'u'
    const auto unit = hex4();
    if (!unit) return false;
    if (*unit >= 0xDC00 && *unit <= 0xDFFF) return t.fail(byte_fault(q), q);
    if (*unit < 0xD800 || *unit > 0xDBFF) return true;
    // A high surrogate: a low one must follow as the next escape.
    if (q == t.end_ || *q != '\\') return t.fail(byte_fault(q), q);
    if (++q == t.end_) return t.fail(kEofString, t.end_);
    if (*q != 'u') return t.fail("invalid escape", q);
    ++q;
    const auto low = hex4();
    if (!low) return false;
    if (*low < 0xDC00 || *low > 0xDFFF) {
      return t.fail(q == t.end_ ? kEofString : "invalid escape", q);
    }
    return true;
  }

  // Steps over the UTF-8 sequence at q (a byte from 0x80 up), or records its
  // fault. A sequence longer than what is left of the text is cut short:
  // its first byte is stepped over as it stands.
  bool utf8() {
    const auto lead = static_cast<unsigned char>(*q);
    const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (t.check_utf8_ && (lead < 0xC2 || lead > 0xF4)) return t.fail("invalid UTF-8", q);
    if (static_cast<std::size_t>(t.end_ - q) < length) {
      t.cut_utf8_ = true;
      ++q;
      return true;
    }
    const char* fault_at = q;
    if (window_end != nullptr && static_cast<std::size_t>(window_end - q) < length) {
      // Across the end of a window: the next one begins at the sequence, and
      // a fault in it stands at the old window's end.
      fault_at = window_end;
      window_from(q);
    }
    if (t.check_utf8_ && !is_valid_utf8(std::string_view(q, length))) {
      return t.fail(fault_at == q ? "invalid UTF-8" : byte_fault(fault_at), fault_at);
    }
    q += length;
    return true;
  }
};

bool Tokenizer::string_fault() {
  StringWalk walk{*this, p_ + 1};
  if (!walk.run()) return false;
  p_ = walk.q + 1;
  return true;
}

}  // namespace zorvs_mcp::json
