// UTF-8 checking sixteen bytes at a time with NEON: the twin of
// utf8_avx2.h for 64-bit Arm, by the same tables (utf8_lookup.h).
#pragma once

#include "utf8_lookup.h"
#include "vector_paths.h"

#if defined(ZORVS_HAVE_NEON_PATH)
#include <arm_neon.h>

#include <cstdint>

namespace zorvs_mcp::utf8_neon {

// The pairs in `input`, and across from `previous` into it, that are wrong:
// a block of zero bits when all are right. `previous` is the block before,
// or zero bits at the start of a text.
inline uint8x16_t block_errors(uint8x16_t input, uint8x16_t previous) {
  using namespace utf8_lookup;
  const auto table = [](const char (&lookup)[16]) {
    return vld1q_u8(reinterpret_cast<const std::uint8_t*>(lookup));
  };
  // The bytes one, two and three places back, from the previous block on.
  const uint8x16_t prev1 = vextq_u8(previous, input, 15);
  const uint8x16_t prev2 = vextq_u8(previous, input, 14);
  const uint8x16_t prev3 = vextq_u8(previous, input, 13);
  const uint8x16_t special =
      vandq_u8(vandq_u8(vqtbl1q_u8(table(kFirstHigh), vshrq_n_u8(prev1, 4)),
                        vqtbl1q_u8(table(kFirstLow), vandq_u8(prev1, vdupq_n_u8(0x0F)))),
               vqtbl1q_u8(table(kSecondHigh), vshrq_n_u8(input, 4)));
  // Two bytes after a lead from E0 up, or three after one from F0 up, a
  // continuation must stand: there kTwoConts is expected, not an error.
  const uint8x16_t must_continue =
      vandq_u8(vorrq_u8(vqsubq_u8(prev2, vdupq_n_u8(0xE0 - 0x80)),
                        vqsubq_u8(prev3, vdupq_n_u8(0xF0 - 0x80))),
               vdupq_n_u8(0x80));
  return veorq_u8(special, must_continue);
}

// The check of a text given to it sixteen bytes at a time, in order. A text
// that ends within a block is padded with ASCII, which also shows one that
// ends within a sequence as cut short.
class Check {
 public:
  void add(uint8x16_t block) {
    // Pairs within and into a block of ASCII after one are all right.
    if (vmaxvq_u8(vorrq_u8(block, previous_)) >= 0x80) {
      errors_ = vorrq_u8(errors_, block_errors(block, previous_));
    }
    previous_ = block;
  }

  bool valid() const { return vmaxvq_u8(errors_) == 0; }

 private:
  uint8x16_t previous_ = vdupq_n_u8(0);
  uint8x16_t errors_ = vdupq_n_u8(0);
};

}  // namespace zorvs_mcp::utf8_neon

#endif
