#include "utf8.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "utf8_avx2.h"
#include "utf8_neon.h"

namespace zorvs_mcp {
namespace {

// Length of the well-formed sequence of two to four bytes at p, whose first
// byte is not ASCII, of the `left` bytes there; 0 when it is ill-formed.
size_t multibyte_length(const unsigned char* p, size_t left) {
  const unsigned lead = p[0];
  auto cont = [&](size_t i) { return (p[i] & 0xC0) == 0x80; };
  // The second byte's range is narrower after these leads: it rules out
  // overlongs, surrogates and code points above U+10FFFF.
  auto second_in = [&](unsigned lo, unsigned hi) { return p[1] >= lo && p[1] <= hi; };
  if (lead < 0xC2) return 0;
  if (lead < 0xE0) return left >= 2 && cont(1) ? 2 : 0;
  if (lead < 0xF0) {
    if (left < 3 || !cont(2)) return 0;
    return second_in(lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF) ? 3 : 0;
  }
  if (lead < 0xF5) {
    if (left < 4 || !cont(2) || !cont(3)) return 0;
    return second_in(lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF) ? 4 : 0;
  }
  return 0;
}

const unsigned char* bytes_of(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// Length of the well-formed sequence at the start of `s`, or 0 when it is
// ill-formed. `s` is not empty.
size_t sequence_length(std::string_view s) {
  return bytes_of(s)[0] < 0x80 ? 1 : multibyte_length(bytes_of(s), s.size());
}

char32_t decode(std::string_view s, size_t len) {
  auto b = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
  switch (len) {
    case 1:
      return b(0);
    case 2:
      return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3:
      return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    default:
      return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
  }
}

bool is_unicode_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

#if !defined(ZORVS_HAVE_NEON_PATH)
bool is_valid_utf8_scalar(std::string_view bytes) {
  const unsigned char* p = bytes_of(bytes);
  const unsigned char* const end = p + bytes.size();
  while (p != end) {
    if (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, 8);
      const uint64_t high = word & 0x8080808080808080ull;
      if (high == 0) {
        p += 8;
        continue;
      }
      if constexpr (std::endian::native == std::endian::little) {
        // Step over the ASCII bytes before the first that is not.
        p += std::countr_zero(high) / 8;
      }
    }
    if (*p < 0x80) {
      ++p;
      continue;
    }
    // Text outside ASCII comes in runs (a word, a name): stay on them here.
    do {
      const size_t len = multibyte_length(p, static_cast<size_t>(end - p));
      if (len == 0) return false;
      p += len;
    } while (p != end && *p >= 0x80);
  }
  return true;
}
#endif

#if defined(ZORVS_HAVE_AVX2_PATH)
__attribute__((target("avx2"))) bool is_valid_utf8_avx2(std::string_view bytes) {
  utf8_avx2::Check check;
  const char* p = bytes.data();
  std::size_t n = bytes.size();
  for (; n >= 32; p += 32, n -= 32) {
    check.add(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
  }
  // The rest, padded with at least one byte of ASCII.
  char rest[32] = {};
  if (n > 0) std::memcpy(rest, p, n);
  check.add(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(rest)));
  return check.valid();
}
#endif

#if defined(ZORVS_HAVE_NEON_PATH)
bool is_valid_utf8_neon(std::string_view bytes) {
  utf8_neon::Check check;
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::size_t n = bytes.size();
  for (; n >= 16; p += 16, n -= 16) check.add(vld1q_u8(p));
  // The rest, padded with at least one byte of ASCII.
  std::uint8_t rest[16] = {};
  if (n > 0) std::memcpy(rest, p, n);
  check.add(vld1q_u8(rest));
  return check.valid();
}
#endif

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
#if defined(ZORVS_HAVE_AVX2_PATH)
  if (utf8_avx2::available()) return is_valid_utf8_avx2(bytes);
#endif
#if defined(ZORVS_HAVE_NEON_PATH)
  return is_valid_utf8_neon(bytes);
#else
  return is_valid_utf8_scalar(bytes);
#endif
}

std::string_view trim_unicode_space(std::string_view text) {
  while (!text.empty()) {
    size_t len = sequence_length(text);
    if (len == 0 || !is_unicode_space(decode(text, len))) break;
    text.remove_prefix(len);
  }
  while (!text.empty()) {
    // Step back to the lead byte of the last character.
    size_t start = text.size() - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    std::string_view last = text.substr(start);
    size_t len = sequence_length(last);
    if (len != last.size() || !is_unicode_space(decode(last, len))) break;
    text.remove_suffix(last.size());
  }
  return text;
}

std::string lossy_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    size_t len = sequence_length(bytes);
    if (len == 0) {
      out.append("\xEF\xBF\xBD");
      len = 1;
    } else {
      out.append(bytes.substr(0, len));
    }
    bytes.remove_prefix(len);
  }
  return out;
}

}  // namespace zorvs_mcp
