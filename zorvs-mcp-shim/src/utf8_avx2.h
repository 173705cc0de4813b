// UTF-8 checking 32 bytes at a time with AVX2, for the code that walks long
// texts in such blocks: the UTF-8 check itself and the JSON rewriter, which
// checks the strings it copies on the way.
#pragma once

#include "vector_paths.h"

#if defined(ZORVS_HAVE_AVX2_PATH)
#include <immintrin.h>

namespace zorvs_mcp::utf8_avx2 {

// Whether the processor has AVX2; the functions below need it.
inline bool available() {
  return __builtin_cpu_supports("avx2");
}

// Thirty-two bytes at a time, by the classification of each pair of adjacent
// bytes with three table lookups (after Keiser and Lemire, "Validating UTF-8
// in less than one instruction per byte", 2021). Each bit below names one
// way a pair can be wrong; a pair is wrong when the three lookups, by the
// high and low half of the first byte and the high half of the second,
// share a bit. Continuations that must follow a three- or four-byte lead two
// or three bytes back are then matched against pairs of continuations.
namespace table {
constexpr char kTooShort = 1 << 0;                     // lead or ASCII after a lead
constexpr char kTooLong = 1 << 1;                      // continuation after ASCII
constexpr char kOverlong3 = 1 << 2;                    // E0 80..9F
constexpr char kTooLarge = 1 << 3;                     // F4 90..BF, F5..FF 90..BF
constexpr char kSurrogate = 1 << 4;                    // ED A0..BF
constexpr char kOverlong2 = 1 << 5;                    // C0..C1 80..BF
constexpr char kTooLarge1000 = 1 << 6;                 // F5..FF 80..8F
constexpr char kOverlong4 = 1 << 6;                    // F0 80..8F
constexpr char kTwoConts = static_cast<char>(1 << 7);  // continuation after continuation
constexpr char kCarry = kTooShort | kTooLong | kTwoConts;
constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;
constexpr char kCont80 =
    kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
constexpr char kCont90 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
constexpr char kContA0 = kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;
}  // namespace table

#define ZORVS_TWICE(...) __VA_ARGS__, __VA_ARGS__

// The pairs in `input`, and across from `previous` into it, that are wrong:
// a block of zero bits when all are right. `previous` is the block before,
// or zero bits at the start of a text (or after any ASCII byte).
__attribute__((target("avx2"))) inline __m256i block_errors(__m256i input, __m256i previous) {
  using namespace table;
  // Lookups go by lane, so each table stands in both.
  const __m256i first_high = _mm256_setr_epi8(ZORVS_TWICE(
      kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,  // 0___
      kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                      // 10__
      kTooShort | kOverlong2,                                                          // 1100
      kTooShort,                                                                       // 1101
      kTooShort | kOverlong3 | kSurrogate,                                             // 1110
      kTooShort | kTooLarge | kTooLarge1000 | kOverlong4));                            // 1111
  const __m256i first_low =
      _mm256_setr_epi8(ZORVS_TWICE(kCarry | kOverlong3 | kOverlong2 | kOverlong4,  // ___0000
                                   kCarry | kOverlong2,                            // ___0001
                                   kCarry, kCarry,                                 // ___001_
                                   kCarry | kTooLarge,                             // ___0100
                                   kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
                                   kLarge | kSurrogate,  // ___1101
                                   kLarge, kLarge));
  const __m256i second_high =
      _mm256_setr_epi8(ZORVS_TWICE(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
                                   kTooShort, kTooShort,                          // 0___
                                   kCont80, kCont90, kContA0, kContA0,            // 10__
                                   kTooShort, kTooShort, kTooShort, kTooShort));  // 11__
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

#undef ZORVS_TWICE

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
