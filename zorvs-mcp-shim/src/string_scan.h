// Scanning the bytes of JSON strings for what ends a plain run (quotes,
// backslashes and control characters) and, a block of 32 at a time, for
// what the relay needs to know of each byte. The reader, the writer and the
// relay all go through long strings here.
//
// One interface, four backends, each a struct with
//   static std::size_t plain_run(const char* p, std::size_t n, char* out);
//   BlockBytes scan(const char* block);  // kBlockSize bytes
//   bool valid_utf8() const;             // of the blocks scanned so far
// PortableScan (a 64-bit word at a time), Sse2Scan and Avx2Scan on x86,
// NeonScan on 64-bit Arm. NativeScan is the one the build always has; the
// relay takes Avx2Scan instead where the processor has AVX2, which also
// checks the UTF-8 of what it scans. Everything here is inline, for the
// loops that call it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "string_scan_avx2.h"
#include "string_scan_block.h"
#include "string_scan_neon.h"
#include "string_scan_portable.h"
#include "string_scan_sse2.h"
#include "vector_paths.h"

namespace zorvs_mcp::json {

#if defined(ZORVS_HAVE_SSE2_PATH)
using NativeScan = Sse2Scan;
#elif defined(ZORVS_HAVE_NEON_PATH)
using NativeScan = NeonScan;
#else
using NativeScan = PortableScan;
#endif

enum class ScanBackend { kPortable, kSse2, kAvx2, kNeon };

// The backend the relay scans blocks with on this processor.
inline ScanBackend block_scan_backend() {
#if defined(ZORVS_HAVE_AVX2_PATH)
  if (utf8_avx2::available()) return ScanBackend::kAvx2;
#endif
#if defined(ZORVS_HAVE_SSE2_PATH)
  return ScanBackend::kSse2;
#elif defined(ZORVS_HAVE_NEON_PATH)
  return ScanBackend::kNeon;
#else
  return ScanBackend::kPortable;
#endif
}

// Offset of the first byte in [p, p + n) that a JSON string must escape, or
// n. Copies the run to `out` while it looks: `out` must have room for n
// bytes, and bytes past the run may be overwritten. Tool results put an
// escape in every twenty bytes or so, and both the reader and the writer go
// through each run here.
inline std::size_t copy_plain_run(const char* p, std::size_t n, char* out) {
  return NativeScan::plain_run(p, n, out);
}

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
