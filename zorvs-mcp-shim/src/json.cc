#include "json.h"

#include <boost/json/basic_parser_impl.hpp>
#include <boost/json/value_stack.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "number_text.h"
#include "utf8.h"
#include "utf8_avx2.h"
#include "vector_paths.h"

#if defined(ZORVS_HAVE_SSE2_PATH)
#include <emmintrin.h>
#endif

namespace zorvs_mcp::json {
namespace {

namespace bj = boost::json;

// ---------------------------------------------------------------------------
// Parsing
//
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

// --- Error descriptions ----------------------------------------------------
//
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

std::string at(std::string_view what, std::string_view text, std::size_t pos) {
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

std::string describe_eof(const PrefixScan& s, std::string_view text) {
  const std::size_t end = text.size();
  if (s.in_string) return at("EOF while parsing a string", text, end);
  switch (s.expect) {
    case Expect::kArrayFirst:
      return at("EOF while parsing a list", text, end);
    case Expect::kObjectFirst:
    case Expect::kColon:
      return at("EOF while parsing an object", text, end);
    case Expect::kComma:
      return at(s.in_object() ? "EOF while parsing an object" : "EOF while parsing a list", text,
                end);
    default:
      break;
  }
  return at("EOF while parsing a value", text, end);
}

// Describes a failed parse (or, with ec clear, trailing characters after a
// complete value) that stopped at offset `pos`.
std::string describe(std::string_view text, std::size_t pos, const bj::error_code& ec,
                     const Handler& h) {
  if (h.out_of_range_at() != std::string_view::npos) {
    return at("number out of range", text, h.out_of_range_at());
  }
  if (ec == bj::error::too_deep) return at("recursion limit exceeded", text, pos);

  PrefixScan s;
  s.scan(text.substr(0, pos));

  if (ec == bj::error::exponent_overflow) {
    return at("number out of range", text, s.in_token ? s.token_start : pos);
  }
  if (ec == bj::error::object_too_large || ec == bj::error::array_too_large) {
    return at("container too large", text, pos);
  }
  if (ec == bj::error::key_too_large || ec == bj::error::string_too_large) {
    return at("string too large", text, pos);
  }

  // Inside a number or literal that the offending byte may belong to.
  if (s.in_token) {
    const char first = text[s.token_start];
    if (first == 't' || first == 'f' || first == 'n') {
      const std::size_t m = literal_mismatch(text, s.token_start);
      if (m == text.size()) return at("EOF while parsing a value", text, m);
      if (m != std::string_view::npos) return at("expected ident", text, m);
      s.end_token();  // a complete literal: go on with what follows it
    } else {
      const auto last = static_cast<unsigned char>(text[pos - 1]);
      const bool complete = last >= '0' && last <= '9';
      if (pos >= text.size()) {
        if (!complete) return at("EOF while parsing a value", text, pos);
      } else if (!complete || is_token_byte(static_cast<unsigned char>(text[pos]))) {
        return at("invalid number", text, pos);
      }
      s.end_token();
    }
  }

  if (pos >= text.size()) return describe_eof(s, text);
  const auto c = static_cast<unsigned char>(text[pos]);

  if (s.in_string) {
    if (s.after_backslash || ec == bj::error::expected_hex_digit) {
      return at("invalid escape", text, pos);
    }
    if (c < 0x20)
      return at("control character (\\u0000-\\u001F) found while parsing a string", text, pos);
    if (c >= 0x80) return at("invalid UTF-8", text, pos);
    // A printable ASCII byte is refused only after a \u escape of a lone
    // or misplaced surrogate.
    return at("invalid unicode code point", text, pos);
  }

  switch (s.expect) {
    case Expect::kValue:
    case Expect::kArrayFirst:
    case Expect::kArrayNext:
      if (c == ']' && s.expect == Expect::kArrayNext) return at("trailing comma", text, pos);
      if (c == 't' || c == 'f' || c == 'n') {
        const std::size_t m = literal_mismatch(text, pos);
        if (m == text.size()) return at("EOF while parsing a value", text, m);
        if (m != std::string_view::npos) return at("expected ident", text, m);
      }
      if (c == '-' || (c >= '0' && c <= '9')) return at("invalid number", text, pos);
      return at("expected value", text, pos);
    case Expect::kObjectFirst:
    case Expect::kObjectNext:
      if (c == '}' && s.expect == Expect::kObjectNext) return at("trailing comma", text, pos);
      return at("key must be a string", text, pos);
    case Expect::kColon:
      return at("expected `:`", text, pos);
    case Expect::kComma:
      return at(s.in_object() ? "expected `,` or `}`" : "expected `,` or `]`", text, pos);
    case Expect::kDone:
      break;
  }
  return at("trailing characters", text, pos);
}

// ---------------------------------------------------------------------------
// Scanning

// The bytes of `x` that a JSON string must escape ('"', '\\' or below 0x20),
// as their high bits. Borrows can flag bytes above a real hit, never below
// one, so the lowest flag is exact.
constexpr std::uint64_t special_bytes(std::uint64_t x) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  const std::uint64_t quote = x ^ (kOnes * '"');
  const std::uint64_t slash = x ^ (kOnes * '\\');
  return (((x - kOnes * 0x20) & ~x) | ((quote - kOnes) & ~quote) | ((slash - kOnes) & ~slash)) &
         kHigh;
}

bool is_special(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\';
}

// Offset of the first byte in [p, p + n) that a JSON string must escape, or
// n. Copies the run to `out`, sixteen or eight bytes at a time while it
// looks: `out` must have room for n bytes, and bytes past the run may be
// overwritten. Tool results put an escape in every twenty bytes or so, and
// both the reader and the writer go through each run here.
std::size_t copy_plain_run(const char* p, std::size_t n, char* out) {
  std::size_t i = 0;
#if defined(ZORVS_HAVE_SSE2_PATH)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i last_control = _mm_set1_epi8(0x1F);
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), x);
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(x, last_control), x);  // x <= 0x1F
    const __m128i special =
        _mm_or_si128(control, _mm_or_si128(_mm_cmpeq_epi8(x, quote), _mm_cmpeq_epi8(x, backslash)));
    if (const int mask = _mm_movemask_epi8(special)) {
      return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
    }
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= n; i += 8) {
      std::uint64_t x;
      std::memcpy(&x, p + i, 8);
      std::memcpy(out + i, &x, 8);
      if (const std::uint64_t flags = special_bytes(x)) {
        return i + static_cast<std::size_t>(std::countr_zero(flags) / 8);
      }
    }
  }
  for (; i < n && !is_special(p[i]); ++i) out[i] = p[i];
  return i;
}

// The rewriter scans strings in blocks of 32 bytes.
constexpr std::size_t kBlockSize = 32;

// Which bytes of a block are what, as bits from the lowest.
struct BlockBytes {
  std::uint32_t backslashes;
  std::uint32_t quotes;
  std::uint32_t controls;
  std::uint32_t short_escapes;  // " \ b t n f r: escaped, the escape is written as it is
};

// Blocks of text whose UTF-8 is known to be good, sixteen bytes at a time
// with SSE2 and one at a time elsewhere.
struct PlainBlocks {
  BlockBytes scan(const char* p) {
    BlockBytes bytes{};
#if defined(ZORVS_HAVE_SSE2_PATH)
    for (int half = 0; half < 2; ++half) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * half));
      const auto bits = [&](__m128i m) {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(m)) << (16 * half);
      };
      const auto is = [&](char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); };
      const __m128i backslash = is('\\');
      const __m128i quote = is('"');
      const __m128i short_escape =
          _mm_or_si128(_mm_or_si128(_mm_or_si128(backslash, quote), _mm_or_si128(is('b'), is('t'))),
                       _mm_or_si128(_mm_or_si128(is('n'), is('f')), is('r')));
      bytes.backslashes |= bits(backslash);
      bytes.quotes |= bits(quote);
      bytes.controls |= bits(_mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(0x1F)), x));
      bytes.short_escapes |= bits(short_escape);
    }
#else
    for (std::size_t i = 0; i < kBlockSize; ++i) {
      const char c = p[i];
      const std::uint32_t bit = std::uint32_t{1} << i;
      if (c == '\\') bytes.backslashes |= bit;
      if (c == '"') bytes.quotes |= bit;
      if (static_cast<unsigned char>(c) < 0x20) bytes.controls |= bit;
      if (std::string_view("\"\\btnfr").find(c) != std::string_view::npos)
        bytes.short_escapes |= bit;
    }
#endif
    return bytes;
  }

  bool valid_utf8() const {
    return true;
  }
};

// The bytes of a 32-byte block that a backslash escapes, given which bytes
// are backslashes and `carry`, whether the block before ends in an odd run
// of them (so that this block's first byte is escaped); `carry` becomes the
// same for the next block. A run of backslashes escapes every second one of
// them and, when it is of odd length, the byte after it (after Langdale and
// Lemire, "Parsing gigabytes of JSON per second", 2019).
inline std::uint32_t escaped_bytes(std::uint32_t backslashes, std::uint32_t& carry) {
  constexpr std::uint32_t kEven = 0x55555555;
  backslashes &= ~carry;  // an escaped backslash escapes nothing
  const std::uint32_t follows = (backslashes << 1) | carry;
  const std::uint32_t odd_starts = backslashes & ~kEven & ~follows;
  std::uint32_t even_started;
  carry = __builtin_add_overflow(odd_starts, backslashes, &even_started) ? 1 : 0;
  return (kEven ^ (even_started << 1)) & follows;
}

#if defined(ZORVS_HAVE_AVX2_PATH)
// Thirty-two bytes at a time with AVX2, checking the UTF-8 of the blocks
// on the way: a string's bytes are read once for both. The first block of
// a string follows its opening quote, so it starts a text as far as UTF-8
// goes; bytes past the closing quote in the last block are checked too, and
// are the text's own.
struct Avx2Blocks {
  __attribute__((target("avx2"))) BlockBytes scan(const char* p) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    utf8.add(x);
    const __m256i backslash = _mm256_cmpeq_epi8(x, _mm256_set1_epi8('\\'));
    const __m256i quote = _mm256_cmpeq_epi8(x, _mm256_set1_epi8('"'));
    const __m256i b_or_t = _mm256_or_si256(_mm256_cmpeq_epi8(x, _mm256_set1_epi8('b')),
                                           _mm256_cmpeq_epi8(x, _mm256_set1_epi8('t')));
    const __m256i n_f_or_r =
        _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(x, _mm256_set1_epi8('n')),
                                        _mm256_cmpeq_epi8(x, _mm256_set1_epi8('f'))),
                        _mm256_cmpeq_epi8(x, _mm256_set1_epi8('r')));
    const __m256i short_escape =
        _mm256_or_si256(_mm256_or_si256(backslash, quote), _mm256_or_si256(b_or_t, n_f_or_r));
    const __m256i control = _mm256_cmpeq_epi8(_mm256_min_epu8(x, _mm256_set1_epi8(0x1F)), x);
    return {static_cast<std::uint32_t>(_mm256_movemask_epi8(backslash)),
            static_cast<std::uint32_t>(_mm256_movemask_epi8(quote)),
            static_cast<std::uint32_t>(_mm256_movemask_epi8(control)),
            static_cast<std::uint32_t>(_mm256_movemask_epi8(short_escape))};
  }

  bool valid_utf8() const { return utf8.valid(); }

  utf8_avx2::Check utf8;
};
#endif

// Scans the `n` bytes left at the end of the text, fewer than a block. The
// padding is ASCII, so a UTF-8 sequence cut off by the end of the text is
// an error.
template <class Blocks>
BlockBytes scan_last(Blocks& blocks, const char* p, std::size_t n) {
  char block[kBlockSize] = {};
  std::memcpy(block, p, n);
  BlockBytes bytes = blocks.scan(block);
  const std::uint32_t in_text = (std::uint32_t{1} << n) - 1;
  bytes.backslashes &= in_text;
  bytes.quotes &= in_text;
  bytes.controls &= in_text;
  return bytes;
}

// ---------------------------------------------------------------------------
// Tokens, as the fast path and the rewriter read them. Each takes what the
// Boost path takes for the common case and gives up (null, false) on the
// rest, so that the Boost path decides.

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

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

bool is_digit(char c) {
  return c >= '0' && c <= '9';
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

// ---------------------------------------------------------------------------
// Fast path
//
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

// ---------------------------------------------------------------------------
// Writing

// Makes `out` `size` bytes long, its capacity growing at least twofold.
void grow_to(std::string& out, std::size_t size) {
  if (size > out.capacity()) out.reserve(std::max(size, 2 * out.capacity()));
  out.resize(size);
}

void grow_to(TextBuffer& out, std::size_t size) {
  out.resize(size);
}

// Writes into a std::string or a TextBuffer.
template <class Out>
class Writer {
 public:
  explicit Writer(Out& out) : out_(out) {}

  bool value(const Value& v, int depth) {
    switch (v.kind()) {
      case bj::kind::null:
        out_.append("null", 4);
        return true;
      case bj::kind::bool_:
        if (v.get_bool()) {
          out_.append("true", 4);
        } else {
          out_.append("false", 5);
        }
        return true;
      case bj::kind::int64:
        integer(v.get_int64());
        return true;
      case bj::kind::uint64:
        integer(v.get_uint64());
        return true;
      case bj::kind::double_:
        real(v.get_double());
        return true;
      case bj::kind::string:
        string(v.get_string());
        return true;
      case bj::kind::array:
        return array(v.get_array(), depth + 1);
      case bj::kind::object:
        return object(v.get_object(), depth + 1);
    }
    return false;
  }

  // Writes the string token of `s`: plain runs are copied by
  // copy_plain_run() while they are scanned, into room made at once, and
  // escapes are stored in place, with no append call per run or escape.
  void string(std::string_view s) {
    const char* p = s.data();
    std::size_t n = s.size();
    // Room for the quotes and for escapes in one byte of eight: text rarely
    // has more, so a long string is written without moving the buffer.
    char* o = make_room(out_.size(), 1 + n + n / 8 + kEscapeRoom);
    *o++ = '"';
    for (;;) {
      if (static_cast<std::size_t>(room_end() - o) < n + kEscapeRoom) {
        o = make_room(static_cast<std::size_t>(o - out_.data()), n + n / 8 + kEscapeRoom);
      }
      const std::size_t run = copy_plain_run(p, n, o);
      o += run;
      if (run == n) break;
      o = put_escape(o, static_cast<unsigned char>(p[run]));
      p += run + 1;
      n -= run + 1;
    }
    *o++ = '"';
    out_.resize(static_cast<std::size_t>(o - out_.data()));
  }

 private:
  template <class Int>
  void integer(Int i) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, i);
    out_.append(buf, static_cast<std::size_t>(r.ptr - buf));
  }

  void real(double d) {
    if (!std::isfinite(d)) {  // never parsed; JSON has no text for it
      out_.append("null", 4);
      return;
    }
    char buf[kMaxDoubleText];
    out_.append(buf, write_double(d, buf));
  }

  // One escape and the closing quote.
  static constexpr std::size_t kEscapeRoom = 7;

  // Resizes out_ to `used` bytes plus `room` and returns where the room
  // begins; growth at least doubles, so that a string with many escapes
  // makes room only a few times.
  char* make_room(std::size_t used, std::size_t room) {
    grow_to(out_, used + room);
    return out_.data() + used;
  }

  char* room_end() { return out_.data() + out_.size(); }

  // Stores the escape of `c`, a byte that is_special(), at o.
  static char* put_escape(char* o, unsigned char c) {
    static constexpr char kHex[] = "0123456789abcdef";
    *o++ = '\\';
    switch (c) {
      case '"':
        *o++ = '"';
        return o;
      case '\\':
        *o++ = '\\';
        return o;
      case '\b':
        *o++ = 'b';
        return o;
      case '\t':
        *o++ = 't';
        return o;
      case '\n':
        *o++ = 'n';
        return o;
      case '\f':
        *o++ = 'f';
        return o;
      case '\r':
        *o++ = 'r';
        return o;
      default:
        o[0] = 'u';
        o[1] = '0';
        o[2] = '0';
        o[3] = kHex[c >> 4];
        o[4] = kHex[c & 0xF];
        return o + 5;
    }
  }

  bool array(const bj::array& a, int depth) {
    if (depth > kMaxWriteDepth) return false;
    out_.push_back('[');
    bool first = true;
    for (const Value& item : a) {
      if (!first) out_.push_back(',');
      first = false;
      if (!value(item, depth)) return false;
    }
    out_.push_back(']');
    return true;
  }

  bool object(const bj::object& o, int depth) {
    if (depth > kMaxWriteDepth) return false;
    out_.push_back('{');
    // Boost keeps insertion order. Messages the bridge writes are mostly
    // sorted already (they were written by a sorting writer), so check first
    // and sort pointers to the members only when needed. One buffer serves
    // every level: each object uses the segment past the end of its parents'.
    const auto by_key = [](const bj::key_value_pair* a, const bj::key_value_pair* b) {
      return a->key() < b->key();
    };
    bool sorted = true;
    for (auto it = o.begin(); it != o.end(); ++it) {
      if (it != o.begin() && !(std::prev(it)->key() < it->key())) {
        sorted = false;
        break;
      }
    }
    bool ok = true;
    if (sorted) {
      bool first = true;
      for (const auto& kv : o) {
        if (!first) out_.push_back(',');
        first = false;
        if (!(ok = member(kv, depth))) break;
      }
    } else {
      const std::size_t base = order_.size();
      for (const auto& kv : o) order_.push_back(&kv);
      std::sort(order_.begin() + static_cast<std::ptrdiff_t>(base), order_.end(), by_key);
      for (std::size_t i = base; i < base + o.size(); ++i) {
        if (i != base) out_.push_back(',');
        if (!(ok = member(*order_[i], depth))) break;
      }
      order_.resize(base);
    }
    if (ok) out_.push_back('}');
    return ok;
  }

  bool member(const bj::key_value_pair& kv, int depth) {
    string(kv.key());
    out_.push_back(':');
    return value(kv.value(), depth);
  }

  Out& out_;
  std::vector<const bj::key_value_pair*> order_;
};

// ---------------------------------------------------------------------------
// Rewriting
//
// A reply from the host is read only to be written again, so rewrite goes
// from text to text without building the value: each token is read as the
// fast path reads it and written as the writer writes it. A string whose
// escapes are all ones the writer uses (tool results are mostly such text)
// is written as it stands once scanned, never decoded and encoded again,
// and a long one is not even copied but borrowed from the text. A member
// whose key sorts before short members already written takes their place;
// past that, an object is put in key order at its end, moving only the
// members out of place. On anything else (any error, a key with an escape in
// it, a key given twice, nesting near the limit) it gives up, and the text
// is parsed and written instead.

// Length of the escape at p (a backslash) when the writer writes it so: \"
// \\ \b \t \n \f \r, or \u00xx in lower-case hex for another control
// character; 0 for any other escape.
inline std::size_t written_escape_length(const char* p, const char* end) {
  // By the byte after the backslash: 2 for the escapes written short, 6 for
  // \u, to be looked at further.
  static constexpr auto kLength = [] {
    std::array<std::uint8_t, 256> length{};
    for (const char c : std::string_view("\"\\btnfr")) length[static_cast<unsigned char>(c)] = 2;
    length['u'] = 6;
    return length;
  }();
  if (end - p < 2) return 0;
  const std::size_t length = kLength[static_cast<unsigned char>(p[1])];
  if (length != 6) return length;
  if (end - p < 6 || p[2] != '0' || p[3] != '0' || (p[4] != '0' && p[4] != '1')) return 0;
  const bool lower_hex = is_digit(p[5]) || (p[5] >= 'a' && p[5] <= 'f');
  if (!lower_hex) return 0;
  const int unit = (p[4] - '0') * 16 + hex_digit(p[5]);
  const bool has_short_form =
      unit == '\b' || unit == '\t' || unit == '\n' || unit == '\f' || unit == '\r';
  return has_short_form ? 0 : 6;
}

class Rewriter : TextCursor {
 public:
  // With `check_utf8`, strings check their UTF-8 as they are scanned, and
  // the text need not have been checked; its other tokens are ASCII.
  // Strings of `min_borrowed` bytes or more are borrowed into `borrowed`.
  Rewriter(std::string_view text, TextBuffer& out, bool check_utf8, std::size_t min_borrowed,
           std::vector<Borrowed>* borrowed)
      : TextCursor(text),
        out_(out),
        writer_(out),
        check_utf8_(check_utf8),
        min_borrowed_(min_borrowed),
        borrowed_(borrowed) {}

  // Appends the written form of the text to out; false when it gives up.
  bool run() {
    skip_space();
    if (!value(0)) return false;
    skip_space();
    return p_ == end_;
  }

 private:
  // A member of an object being written, as offsets in out_, which may move
  // as it grows.
  struct Member {
    std::size_t begin;       // its key's opening quote
    std::size_t end;         // past its value
    std::size_t key_length;  // between the key's quotes
  };

  bool value(int depth) {
    if (p_ == end_) return false;
    switch (*p_) {
      case '{':
        return object(depth + 1);
      case '[':
        return array(depth + 1);
      case '"':
        return string();
      case 't':
        return literal("true");
      case 'f':
        return literal("false");
      case 'n':
        return literal("null");
      default: {
        Value number;
        if (!read_number(p_, end_, number)) return false;
        return writer_.value(number, 0);
      }
    }
  }

  bool literal(std::string_view word) {
    if (!take_word(word)) return false;
    out_.append(word.data(), word.size());
    return true;
  }

  bool close(char bracket) {
    if (!take(bracket)) return false;
    out_.push_back(bracket);
    return true;
  }

  bool array(int depth) {
    if (depth > kFastDepth) return false;
    ++p_;  // '['
    out_.push_back('[');
    skip_space();
    if (close(']')) return true;
    while (true) {
      if (!value(depth)) return false;
      if (!next_item()) break;
      out_.push_back(',');
    }
    return close(']');
  }

  bool object(int depth) {
    if (depth > kFastDepth) return false;
    ++p_;  // '{'
    out_.push_back('{');
    skip_space();
    if (close('}')) return true;
    const std::size_t base = members_.size();
    bool in_order = true;  // members_[base] on are in key order
    while (true) {
      Member member{};
      member.begin = out_.size();
      if (p_ == end_ || *p_ != '"' || !string(false)) return false;
      member.key_length = out_.size() - member.begin - 2;
      // Keys sort by their bytes unescaped, which are the written ones only
      // when nothing in them is escaped.
      if (std::memchr(out_.data() + member.begin + 1, '\\', member.key_length) != nullptr) {
        return false;
      }
      std::size_t place = members_.size();
      const std::size_t later_from = later_.size();
      if (in_order) {
        place = place_key(base, member);
        if (place == kKeyTwice) return false;
        in_order = place != kOutOfOrder;
        if (!in_order) place = members_.size();
      }
      skip_space();
      if (!take(':')) return false;
      out_.push_back(':');
      skip_space();
      if (!value(depth)) return false;
      member.end = out_.size();
      if (place < members_.size()) put_back_later(place, member.end, later_from);
      members_.insert(members_.begin() + static_cast<std::ptrdiff_t>(place), member);
      if (!next_item()) break;
      out_.push_back(',');
    }
    if (p_ == end_ || *p_ != '}' || !put_in_key_order(base)) return false;
    members_.resize(base);
    return close('}');
  }

  std::string_view key(const Member& m) const {
    return out_.view().substr(m.begin + 1, m.key_length);
  }

  static constexpr std::size_t kKeyTwice = SIZE_MAX;
  static constexpr std::size_t kOutOfOrder = SIZE_MAX - 1;
  // Members that sort after a new key are moved out of its way only while
  // they are this short; past that the object is put in order at its end.
  static constexpr std::size_t kMaxMoved = 4096;

  // Where `member`, whose key has just been written after the members from
  // members_[base] on (in key order), goes among them. Members with later
  // keys are moved to the end of later_ and out_ is cut back to where the
  // first of them began, with the key written there, so that the member's
  // value is written in its place; kOutOfOrder when they are too long to
  // move, kKeyTwice when the key is there already.
  std::size_t place_key(std::size_t base, Member& member) {
    const auto first = members_.begin() + static_cast<std::ptrdiff_t>(base);
    const std::string_view new_key = key(member);
    if (first == members_.end() || key(members_.back()) < new_key) return members_.size();
    const auto after =
        std::upper_bound(first, members_.end(), new_key,
                         [this](std::string_view k, const Member& m) { return k < key(m); });
    if (after != first && key(*std::prev(after)) == new_key) return kKeyTwice;
    if (after == members_.end()) return members_.size();
    const std::size_t from = after->begin;
    if (member.begin - from > kMaxMoved) return kOutOfOrder;
    // later_ takes the members with their commas, then the key comes first.
    fill_borrowed(from, member.begin);
    later_.append(out_.data() + from, member.begin - from);
    const std::size_t key_size = out_.size() - member.begin;
    std::memmove(out_.data() + from, out_.data() + member.begin, key_size);
    out_.resize(from + key_size);
    member.begin = from;
    return static_cast<std::size_t>(after - members_.begin());
  }

  // Writes back the members place_key() moved to later_ from `later_from`
  // on, after the one that now ends at `end`, and moves their records along.
  void put_back_later(std::size_t place, std::size_t end, std::size_t later_from) {
    out_.push_back(',');
    out_.append(later_.data() + later_from, later_.size() - later_from - 1);  // not its last comma
    later_.resize(later_from);
    const std::size_t shift = end + 1 - members_[place].begin;
    for (auto m = members_.begin() + static_cast<std::ptrdiff_t>(place); m != members_.end(); ++m) {
      m->begin += shift;
      m->end += shift;
    }
  }

  // Puts the members from members_[base] on, written one after another with
  // commas between them, in ascending byte order of their keys. Members
  // already in their place at either end stay where they are; of the rest,
  // the longest moves once within out_ and the others go through moved_.
  // False for a key given twice.
  bool put_in_key_order(std::size_t base) {
    const auto first = members_.begin() + static_cast<std::ptrdiff_t>(base);
    const auto by_key = [this](const Member& a, const Member& b) { return key(a) < key(b); };
    const auto not_before = [&](const Member& a, const Member& b) { return !by_key(a, b); };
    if (std::adjacent_find(first, members_.end(), not_before) == members_.end()) return true;
    sorted_.assign(first, members_.end());
    std::sort(sorted_.begin(), sorted_.end(), by_key);
    if (std::adjacent_find(sorted_.begin(), sorted_.end(), not_before) != sorted_.end())
      return false;

    const auto length = [](const Member& m) { return m.end - m.begin; };
    const auto in_place = [&](std::size_t i) {
      return sorted_[i].begin == first[static_cast<std::ptrdiff_t>(i)].begin;
    };
    std::size_t lo = 0;
    while (in_place(lo)) ++lo;
    std::size_t hi = sorted_.size();
    while (in_place(hi - 1)) --hi;
    const auto longest =
        std::max_element(sorted_.begin() + static_cast<std::ptrdiff_t>(lo),
                         sorted_.begin() + static_cast<std::ptrdiff_t>(hi),
                         [&](const Member& a, const Member& b) { return length(a) < length(b); });
    std::size_t longest_at = first[static_cast<std::ptrdiff_t>(lo)].begin;
    for (auto m = sorted_.begin() + static_cast<std::ptrdiff_t>(lo); m != longest; ++m) {
      longest_at += length(*m) + 1;  // and its comma
    }
    // Borrowed stretches of the longest member move with it; those of the
    // others, which go through moved_, are filled in first.
    if (borrowed_ != nullptr) {
      const std::size_t from = first[static_cast<std::ptrdiff_t>(lo)].begin;
      const std::size_t to = first[static_cast<std::ptrdiff_t>(hi - 1)].end;
      std::erase_if(*borrowed_, [&](Borrowed& b) {
        if (b.at < from || b.at >= to) return false;
        if (b.at >= longest->begin && b.at < longest->end) {
          b.at = b.at - longest->begin + longest_at;
          return false;
        }
        std::memcpy(out_.data() + b.at, b.from, b.size);
        return true;
      });
    }
    moved_.clear();
    for (std::size_t i = lo; i < hi; ++i) {
      if (sorted_.begin() + static_cast<std::ptrdiff_t>(i) == longest) continue;
      moved_.append(out_.data() + sorted_[i].begin, length(sorted_[i]));
    }
    std::memmove(out_.data() + longest_at, out_.data() + longest->begin, length(*longest));
    char* o = out_.data() + first[static_cast<std::ptrdiff_t>(lo)].begin;
    const char* from = moved_.data();
    for (std::size_t i = lo; i < hi; ++i) {
      if (i != lo) *o++ = ',';
      const std::size_t n = length(sorted_[i]);
      if (sorted_.begin() + static_cast<std::ptrdiff_t>(i) != longest) {
        std::memcpy(o, from, n);
        from += n;
      }
      o += n;
    }
    return true;
  }

  // Writes the string token at p_. A token whose escapes are all the
  // writer's own is written as it stands: it is scanned a block at a time
  // and then copied or borrowed. Any other token is decoded and written
  // again. Keys are never borrowed: objects compare and move them.
  bool string(bool may_borrow = true) {
#if defined(ZORVS_HAVE_AVX2_PATH)
    if (check_utf8_) return string_avx2(may_borrow);
#endif
    return string_in<PlainBlocks>(may_borrow);
  }

#if defined(ZORVS_HAVE_AVX2_PATH)
  __attribute__((target("avx2"))) bool string_avx2(bool may_borrow) {
    return string_in<Avx2Blocks>(may_borrow);
  }
#endif

  // The escapes of a block are found all at once and checked by class, not
  // one by one: tool results have one every eight bytes or so.
  template <class Blocks>
  [[gnu::always_inline]] bool string_in(bool may_borrow) {
    const char* const in = p_;
    const std::size_t size = static_cast<std::size_t>(end_ - in);
    Blocks blocks;
    std::uint32_t carry = 0;
    for (std::size_t block = 1; block < size; block += kBlockSize) {
      const std::size_t left = size - block;
      const BlockBytes bytes =
          left >= kBlockSize ? blocks.scan(in + block) : scan_last(blocks, in + block, left);
      const std::uint32_t escaped = escaped_bytes(bytes.backslashes, carry);
      const std::uint32_t quotes = bytes.quotes & ~escaped;
      const std::uint32_t in_token = quotes != 0 ? (quotes & (0u - quotes)) - 1 : ~0u;
      if ((bytes.controls & in_token) != 0) return false;
      // Escaped bytes outside the short escapes: \u, written as it is when
      // it is \u00xx for a control character, or an escape to write again.
      for (std::uint32_t other = escaped & ~bytes.short_escapes & in_token; other != 0;
           other &= other - 1) {
        const std::size_t at = block + static_cast<std::size_t>(std::countr_zero(other));
        if (written_escape_length(in + at - 1, end_) != 6) return rewrite_string();
      }
      if (quotes != 0) {
        const std::size_t at = block + static_cast<std::size_t>(std::countr_zero(quotes));
        return blocks.valid_utf8() && put_as_it_stands(at + 1, may_borrow);
      }
    }
    return false;  // no closing quote
  }

  // Writes the `length` bytes at p_, a token in written form, and steps over
  // them: copied, or borrowed where long enough, with room left for them.
  bool put_as_it_stands(std::size_t length, bool may_borrow) {
    const std::size_t at = out_.size();
    if (may_borrow && length >= min_borrowed_) {
      borrowed_->push_back({at, p_, length});
      // Room for the rest of the text as well, so that the block seldom
      // moves, which would copy the room.
      out_.resize(at + static_cast<std::size_t>(end_ - p_) + kRoomAfterBorrowed);
      out_.resize(at + length);
    } else {
      out_.append(p_, length);
    }
    p_ += length;
    return true;
  }

  // Fills in the borrowed stretches of out_ that begin in [from, to), which
  // is about to move, and forgets them.
  void fill_borrowed(std::size_t from, std::size_t to) {
    if (borrowed_ == nullptr) return;
    std::erase_if(*borrowed_, [&](const Borrowed& b) {
      if (b.at < from || b.at >= to) return false;
      std::memcpy(out_.data() + b.at, b.from, b.size);
      return true;
    });
  }

  bool rewrite_string() {
    const auto raw = scan_string(p_, end_);
    if (!raw || !is_valid_utf8(*raw)) return false;
    decoded_.resize(raw->size());
    const char* end = unescape(*raw, decoded_.data());
    if (end == nullptr) return false;
    writer_.string({decoded_.data(), static_cast<std::size_t>(end - decoded_.data())});
    return true;
  }

  TextBuffer& out_;
  Writer<TextBuffer> writer_;
  std::vector<Member> members_;  // of the objects being written, outermost first
  std::vector<Member> sorted_;
  static constexpr std::size_t kRoomAfterBorrowed = 4096;

  const bool check_utf8_;
  const std::size_t min_borrowed_;
  std::vector<Borrowed>* const borrowed_;
  std::string moved_;
  std::string later_;  // members moved out of a new member's way, innermost object last
  std::string decoded_;
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
    return ParseError{at("out of memory", text, text.size())};
  } catch (const std::length_error&) {
    return ParseError{at("out of memory", text, text.size())};
  }
  return ParseError{describe(text, consumed, ec, parser.handler())};
}

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

namespace {

template <class Out>
bool write_to(const Value& value, Out& out) {
  const std::size_t size = out.size();
  Writer<Out> writer(out);
  if (writer.value(value, 0)) return true;
  out.resize(size);
  return false;
}

}  // namespace

bool write(const Value& value, std::string& out) {
  return write_to(value, out);
}

bool write(const Value& value, TextBuffer& out) {
  return write_to(value, out);
}

std::optional<ParseError> rewrite_borrowing(std::string_view text, std::size_t min_borrowed,
                                            TextBuffer& out, std::vector<Borrowed>& borrowed) {
  const std::size_t size = out.size();
  const std::size_t borrowed_before = borrowed.size();
  try {
#if defined(ZORVS_HAVE_AVX2_PATH)
    const bool check_strings = utf8_avx2::available();
#else
    const bool check_strings = false;
#endif
    if ((check_strings || is_valid_utf8(text)) &&
        Rewriter(text, out, check_strings, min_borrowed, &borrowed).run()) {
      return std::nullopt;
    }
  } catch (const std::bad_alloc&) {
    // Parsing runs into the same limit and describes it.
  } catch (const std::length_error&) {
  }
  out.resize(size);
  borrowed.resize(borrowed_before);
  auto parsed = parse(text);
  if (auto* error = std::get_if<ParseError>(&parsed)) return std::move(*error);
  write(std::get<Value>(parsed), out);  // what parses always writes
  return std::nullopt;
}

std::optional<ParseError> rewrite(std::string_view text, TextBuffer& out) {
  std::vector<Borrowed> none;
  return rewrite_borrowing(text, SIZE_MAX, out, none);
}

std::vector<std::string_view> pieces(std::string_view out, const std::vector<Borrowed>& borrowed) {
  std::vector<std::string_view> result;
  std::size_t done = 0;
  for (const Borrowed& b : borrowed) {
    if (b.at > done) result.push_back(out.substr(done, b.at - done));
    result.emplace_back(b.from, b.size);
    done = b.at + b.size;
  }
  if (done < out.size()) result.push_back(out.substr(done));
  return result;
}

std::string to_text(const Value& value) {
  std::string out;
  if (!write(value, out)) out.clear();
  return out;
}

TextBuffer::TextBuffer(TextBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

TextBuffer::~TextBuffer() {
  std::free(data_);
}

void TextBuffer::reserve(std::size_t n) {
  if (n <= capacity_) return;
  // 8 KiB at least: the host's lines arrive in reads of that size.
  const std::size_t capacity = std::max({2 * capacity_, n, std::size_t{8192}});
  auto* grown = static_cast<char*>(std::realloc(data_, capacity));
  if (grown == nullptr) throw std::bad_alloc();
  data_ = grown;
  capacity_ = capacity;
}

void TextBuffer::append(const char* bytes, std::size_t n) {
  if (n == 0) return;  // data_ may still be null
  reserve(size_ + n);
  std::memcpy(data_ + size_, bytes, n);
  size_ += n;
}

void TextBuffer::resize(std::size_t n) {
  reserve(n);
  size_ = n;
}

void TextBuffer::release_if_oversized() {
  if (capacity_ > (1u << 20) && size_ < capacity_ / 4) *this = TextBuffer();
}

}  // namespace zorvs_mcp::json
