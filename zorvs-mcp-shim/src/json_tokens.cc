#include "json_tokens.h"

#include <cstdint>
#include <cstring>

#include "number_text.h"
#include "string_scan.h"

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
// Advances p past it; null when it is not taken here.
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
// a control character or an escape not taken here.
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

// The number token at p: an integer that fits 64 bits (int64 unless only
// uint64 holds it) or a double read with read_double, as the Boost path reads
// it, stored in `out`, with p moved past it.
bool read_number(const char*& p, const char* end, Value& out) {
  const char* const start = p;
  const auto skip_digits = [&] {
    while (p != end && is_digit(*p)) ++p;
  };
  const bool negative = *p == '-';
  if (negative) ++p;
  if (p == end || !is_digit(*p)) return false;
  std::uint64_t magnitude = 0;
  bool fits = true;
  if (*p == '0') {
    ++p;
  } else {
    for (; p != end && is_digit(*p); ++p) {
      const auto digit = static_cast<std::uint64_t>(*p - '0');
      fits = fits && magnitude <= (UINT64_MAX - digit) / 10;
      magnitude = magnitude * 10 + digit;
    }
  }
  bool integer = true;
  if (p != end && *p == '.') {
    integer = false;
    ++p;
    if (p == end || !is_digit(*p)) return false;
    skip_digits();
  }
  if (p != end && (*p == 'e' || *p == 'E')) {
    integer = false;
    ++p;
    if (p != end && (*p == '+' || *p == '-')) ++p;
    if (p == end || !is_digit(*p)) return false;
    skip_digits();
  }
  if (integer) {
    if (!fits) return false;  // a double on the Boost path
    if (!negative) {
      if (magnitude <= static_cast<std::uint64_t>(INT64_MAX)) {
        out = static_cast<std::int64_t>(magnitude);
      } else {
        out = magnitude;
      }
      return true;
    }
    if (magnitude > static_cast<std::uint64_t>(INT64_MAX) + 1) return false;
    out = static_cast<std::int64_t>(0 - magnitude);  // wraps to INT64_MIN at the border
    return true;
  }
  const std::optional<double> d = read_double(std::string_view(start, static_cast<std::size_t>(p - start)));
  if (!d) return false;  // the Boost path says where
  out = *d;
  return true;
}

}  // namespace zorvs_mcp::json
