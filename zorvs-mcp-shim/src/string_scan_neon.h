// String scanning sixteen bytes at a time with NEON, which every 64-bit Arm
// processor has (Apple silicon among them).
#pragma once

#include "vector_paths.h"

#if defined(ZORVS_HAVE_NEON_PATH)
#include <arm_neon.h>

#include <bit>
#include <cstddef>
#include <cstdint>

#include "string_scan_block.h"
#include "string_scan_portable.h"

namespace zorvs_mcp::json {

struct NeonScan {
  static std::size_t plain_run(const char* p, std::size_t n, char* out) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
      const uint8x16_t x = vld1q_u8(reinterpret_cast<const std::uint8_t*>(p + i));
      vst1q_u8(reinterpret_cast<std::uint8_t*>(out + i), x);
      const uint8x16_t special =
          vorrq_u8(vcltq_u8(x, vdupq_n_u8(0x20)),
                   vorrq_u8(vceqq_u8(x, vdupq_n_u8('"')), vceqq_u8(x, vdupq_n_u8('\\'))));
      // NEON has no movemask: narrowing each 16-bit lane by four bits
      // leaves one nibble per byte.
      const std::uint64_t nibbles = vget_lane_u64(
          vreinterpret_u64_u8(vshrn_n_u16(vreinterpretq_u16_u8(special), 4)), 0);
      if (nibbles != 0) return i + static_cast<std::size_t>(std::countr_zero(nibbles) / 4);
    }
    return i + PortableScan::plain_run(p + i, n - i, out + i);
  }

  BlockBytes scan(const char* p) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(p);
    const uint8x16_t lo = vld1q_u8(bytes);
    const uint8x16_t hi = vld1q_u8(bytes + 16);
    const auto is = [](uint8x16_t x, char c) {
      return vceqq_u8(x, vdupq_n_u8(static_cast<std::uint8_t>(c)));
    };
    const auto short_escape = [&](uint8x16_t x) {
      return vorrq_u8(vorrq_u8(vorrq_u8(is(x, '"'), is(x, '\\')), vorrq_u8(is(x, 'b'), is(x, 't'))),
                      vorrq_u8(vorrq_u8(is(x, 'n'), is(x, 'f')), is(x, 'r')));
    };
    const uint8x16_t space = vdupq_n_u8(0x20);
    return {bits(is(lo, '\\'), is(hi, '\\')), bits(is(lo, '"'), is(hi, '"')),
            bits(vcltq_u8(lo, space), vcltq_u8(hi, space)),
            bits(short_escape(lo), short_escape(hi))};
  }

  // The text was checked before.
  bool valid_utf8() const { return true; }

 private:
  // The 32 bytes of two comparisons (0 or 0xFF each) as bits, the first
  // byte's lowest: each byte keeps its own bit, and pairwise sums gather
  // eight of them into one byte.
  static std::uint32_t bits(uint8x16_t lo, uint8x16_t hi) {
    static constexpr std::uint8_t kWeights[16] = {1, 2, 4, 8, 16, 32, 64, 128,
                                                  1, 2, 4, 8, 16, 32, 64, 128};
    const uint8x16_t weights = vld1q_u8(kWeights);
    uint8x16_t sum = vpaddq_u8(vandq_u8(lo, weights), vandq_u8(hi, weights));
    sum = vpaddq_u8(sum, sum);
    sum = vpaddq_u8(sum, sum);
    return vgetq_lane_u32(vreinterpretq_u32_u8(sum), 0);
  }
};

}  // namespace zorvs_mcp::json
#endif
