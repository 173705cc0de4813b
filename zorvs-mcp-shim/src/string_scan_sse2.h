// String scanning sixteen bytes at a time with SSE2, which every x86-64
// processor has.
#pragma once

#include "vector_paths.h"

#if defined(ZORVS_HAVE_SSE2_PATH)
#include <emmintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>

#include "string_scan_block.h"
#include "string_scan_portable.h"

namespace zorvs_mcp::json {

struct Sse2Scan {
  static std::size_t plain_run(const char* p, std::size_t n, char* out) {
    std::size_t i = 0;
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i last_control = _mm_set1_epi8(0x1F);
    for (; i + 16 <= n; i += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), x);
      const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(x, last_control), x);  // x <= 0x1F
      const __m128i special = _mm_or_si128(
          control, _mm_or_si128(_mm_cmpeq_epi8(x, quote), _mm_cmpeq_epi8(x, backslash)));
      if (const int mask = _mm_movemask_epi8(special)) {
        return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
      }
    }
    return i + PortableScan::plain_run(p + i, n - i, out + i);
  }

  BlockBytes scan(const char* p) {
    BlockBytes bytes{};
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
    return bytes;
  }

  // The text was checked before.
  bool valid_utf8() const { return true; }
};

}  // namespace zorvs_mcp::json
#endif
