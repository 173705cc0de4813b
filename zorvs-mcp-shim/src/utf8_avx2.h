// UTF-8 checking 32 bytes at a time with AVX2, for the code that walks long
// texts in such blocks: the UTF-8 check itself and the JSON rewriter, which
// checks the strings it copies on the way.
#pragma once

#include "utf8_lookup.h"
#include "vector_paths.h"

#if defined(ZORVS_HAVE_AVX2_PATH)
#include <immintrin.h>

namespace zorvs_mcp::utf8_avx2 {

// Whether the processor has AVX2; the functions below need it.
inline bool available() {
  return __builtin_cpu_supports("avx2");
}

// A table of 16 in both lanes: lookups go by lane.
__attribute__((target("avx2"))) inline __m256i both_lanes(const char (&lookup)[16]) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lookup)));
}

// The pairs in `input`, and across from `previous` into it, that are wrong:
// a block of zero bits when all are right. `previous` is the block before,
// or zero bits at the start of a text (or after any ASCII byte).
__attribute__((target("avx2"))) inline __m256i block_errors(__m256i input, __m256i previous) {
  using namespace utf8_lookup;
  const __m256i first_high = both_lanes(kFirstHigh);
  const __m256i first_low = both_lanes(kFirstLow);
  const __m256i second_high = both_lanes(kSecondHigh);
  const __m256i nibble = _mm256_set1_epi8(0x0F);

  // The bytes one, two and three places back, across the lanes and from
  // the previous block.
  const __m256i before = _mm256_permute2x128_si256(previous, input, 0x21);
  const __m256i prev1 = _mm256_alignr_epi8(input, before, 15);
  const __m256i prev2 = _mm256_alignr_epi8(input, before, 14);
  const __m256i prev3 = _mm256_alignr_epi8(input, before, 13);
  const __m256i special = _mm256_and_si256(
      _mm256_and_si256(
          _mm256_shuffle_epi8(first_high, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
          _mm256_shuffle_epi8(first_low, _mm256_and_si256(prev1, nibble))),
      _mm256_shuffle_epi8(second_high, _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble)));
  // Two bytes after a lead from E0 up, or three after one from F0 up, a
  // continuation must stand: there kTwoConts is expected, not an error.
  const __m256i must_continue = _mm256_and_si256(
      _mm256_or_si256(_mm256_subs_epu8(prev2, _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80))),
                      _mm256_subs_epu8(prev3, _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)))),
      _mm256_set1_epi8(static_cast<char>(0x80)));
  return _mm256_xor_si256(special, must_continue);
}

// The check of a text given to it 32 bytes at a time, in order. A text that
// ends within a block is padded with ASCII, which also shows one that ends
// within a sequence as cut short.
class Check {
 public:
  __attribute__((target("avx2"))) Check()
      : previous_(_mm256_setzero_si256()), errors_(_mm256_setzero_si256()) {}

  __attribute__((target("avx2"))) void add(__m256i block) {
    // Pairs within and into a block of ASCII after one are all right.
    if (_mm256_movemask_epi8(_mm256_or_si256(block, previous_)) != 0) {
      errors_ = _mm256_or_si256(errors_, block_errors(block, previous_));
    }
    previous_ = block;
  }

  __attribute__((target("avx2"))) bool valid() const {
    return _mm256_testz_si256(errors_, errors_) != 0;
  }

 private:
  __m256i previous_;
  __m256i errors_;
};

}  // namespace zorvs_mcp::utf8_avx2

#endif
