// String scanning without vector instructions: eight bytes at a time in a
// 64-bit word where the processor is little-endian, one at a time otherwise.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "string_scan_block.h"

namespace zorvs_mcp::json {

namespace word {

inline constexpr std::uint64_t kOnes = 0x0101010101010101ull;
inline constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
inline constexpr std::uint64_t kHigh = 0x8080808080808080ull;
inline constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// The bytes of `x` that a JSON string must escape ('"', '\\' or below 0x20),
// as their high bits. Borrows can flag bytes above a real hit, never below
// one, so the lowest flag is exact.
constexpr std::uint64_t special_bytes(std::uint64_t x) {
  const std::uint64_t quote = x ^ (kOnes * '"');
  const std::uint64_t slash = x ^ (kOnes * '\\');
  return (((x - kOnes * 0x20) & ~x) | ((quote - kOnes) & ~quote) | ((slash - kOnes) & ~slash)) &
         kHigh;
}

// The zero bytes of `x` as their high bits, exactly: no carry crosses from
// one byte to the next.
constexpr std::uint64_t zero_bytes(std::uint64_t x) {
  return ~(((x & kLow7) + kLow7) | x) & kHigh;
}

constexpr std::uint64_t bytes_equal(std::uint64_t x, char c) {
  return zero_bytes(x ^ (kOnes * static_cast<unsigned char>(c)));
}

// The bytes below 0x20 as their high bits, exactly.
constexpr std::uint64_t bytes_below_space(std::uint64_t x) {
  return ~(((x & kLow7) + kOnes * 0x60) | x) & kHigh;
}

// The high bits of the eight bytes gathered into eight bits, the first
// byte's lowest. Each bit lands in a place of its own, so nothing carries.
constexpr std::uint32_t gather(std::uint64_t high_bits) {
  return static_cast<std::uint32_t>(((high_bits >> 7) * 0x0102040810204080ull) >> 56);
}

}  // namespace word

struct PortableScan {
  // Offset of the first byte in [p, p + n) that a JSON string must escape,
  // or n, with the run before it copied to `out` (which has room for n
  // bytes; bytes past the run may be overwritten).
  static std::size_t plain_run(const char* p, std::size_t n, char* out) {
    std::size_t i = 0;
    if constexpr (word::kLittleEndian) {
      for (; i + 8 <= n; i += 8) {
        std::uint64_t x;
        std::memcpy(&x, p + i, 8);
        std::memcpy(out + i, &x, 8);
        if (const std::uint64_t flags = word::special_bytes(x)) {
          return i + static_cast<std::size_t>(std::countr_zero(flags) / 8);
        }
      }
    }
    for (; i < n && !is_special(p[i]); ++i) out[i] = p[i];
    return i;
  }

  BlockBytes scan(const char* p) {
    BlockBytes bytes{};
    if constexpr (word::kLittleEndian) {
      for (std::size_t k = 0; k < kBlockSize / 8; ++k) {
        std::uint64_t x;
        std::memcpy(&x, p + 8 * k, 8);
        const auto put = [&](std::uint32_t& bits, std::uint64_t flags) {
          bits |= word::gather(flags) << (8 * k);
        };
        put(bytes.backslashes, word::bytes_equal(x, '\\'));
        put(bytes.quotes, word::bytes_equal(x, '"'));
        put(bytes.controls, word::bytes_below_space(x));
      }
      // Seven more comparisons per word would cost more than looking up
      // the few bytes that can be escaped: the first, and those after a
      // backslash.
      bytes.short_escapes = is_short_escape(p[0]) ? 1u : 0u;
      for (std::uint32_t b = bytes.backslashes & ~(1u << (kBlockSize - 1)); b != 0; b &= b - 1) {
        const int at = std::countr_zero(b) + 1;
        if (is_short_escape(p[at])) bytes.short_escapes |= std::uint32_t{1} << at;
      }
    } else {
      for (std::size_t i = 0; i < kBlockSize; ++i) {
        const std::uint32_t bit = std::uint32_t{1} << i;
        if (p[i] == '\\') bytes.backslashes |= bit;
        if (p[i] == '"') bytes.quotes |= bit;
        if (static_cast<unsigned char>(p[i]) < 0x20) bytes.controls |= bit;
        if (is_short_escape(p[i])) bytes.short_escapes |= bit;
      }
    }
    return bytes;
  }

  // The text was checked before.
  bool valid_utf8() const { return true; }
};

}  // namespace zorvs_mcp::json
