// String scanning 32 bytes at a time with AVX2, where the processor has it
// (utf8_avx2::available()).
#pragma once

#include "vector_paths.h"

#if defined(ZORVS_HAVE_AVX2_PATH)
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "string_scan_block.h"
#include "string_scan_sse2.h"
#include "utf8_avx2.h"

namespace zorvs_mcp::json {

// Thirty-two bytes at a time with AVX2, checking the UTF-8 of the blocks
// on the way: a string's bytes are read once for both. The first block of
// a string follows its opening quote, so it starts a text as far as UTF-8
// goes; bytes past the closing quote in the last block are checked too, and
// are the text's own.
struct Avx2Scan {
  // Runs are short next to a block: the SSE2 scan serves.
  static std::size_t plain_run(const char* p, std::size_t n, char* out) {
    return Sse2Scan::plain_run(p, n, out);
  }

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
}  // namespace zorvs_mcp::json
#endif
