// Scanning the bytes of JSON strings for what ends a plain run: quotes,
// backslashes and control characters. The reader, the writer and the relay
// all go through long strings here, so the scans take eight, sixteen or 32
// bytes at a time where the processor allows (see vector_paths.h), and are
// inline for the loops that call them.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "utf8_avx2.h"
#include "vector_paths.h"

#if defined(ZORVS_HAVE_SSE2_PATH)
#include <emmintrin.h>
#endif

namespace zorvs_mcp::json {

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

inline bool is_special(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\';
}

// Offset of the first byte in [p, p + n) that a JSON string must escape, or
// n. Copies the run to `out`, sixteen or eight bytes at a time while it
// looks: `out` must have room for n bytes, and bytes past the run may be
// overwritten. Tool results put an escape in every twenty bytes or so, and
// both the reader and the writer go through each run here.
inline std::size_t copy_plain_run(const char* p, std::size_t n, char* out) {
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
inline constexpr std::size_t kBlockSize = 32;

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

}  // namespace zorvs_mcp::json
