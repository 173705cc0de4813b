#include "string_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>

namespace zorvs_mcp::json {
namespace {

// Byte-by-byte references for what the scans find.
std::size_t reference_plain_run(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && !is_special(s[i])) ++i;
  return i;
}

BlockBytes reference_block(const char* p) {
  BlockBytes bytes{};
  for (std::size_t i = 0; i < kBlockSize; ++i) {
    const std::uint32_t bit = std::uint32_t{1} << i;
    const auto c = static_cast<unsigned char>(p[i]);
    if (c == '\\') bytes.backslashes |= bit;
    if (c == '"') bytes.quotes |= bit;
    if (c < 0x20) bytes.controls |= bit;
    if (std::string_view("\"\\btnfr").find(static_cast<char>(c)) != std::string_view::npos) {
      bytes.short_escapes |= bit;
    }
  }
  return bytes;
}

void expect_same_bytes(const BlockBytes& found, const BlockBytes& expected) {
  EXPECT_EQ(found.backslashes, expected.backslashes);
  EXPECT_EQ(found.quotes, expected.quotes);
  EXPECT_EQ(found.controls, expected.controls);
  // Short escapes count at the first byte and after backslashes only.
  const std::uint32_t after_backslash = 1u | (expected.backslashes << 1);
  EXPECT_EQ(found.short_escapes & after_backslash, expected.short_escapes & after_backslash);
}

// Every backend this build has, each against the references; a backend the
// processor lacks is skipped.
template <class Scan>
class JsonStringScan : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(ZORVS_HAVE_AVX2_PATH)
    if (std::is_same_v<Scan, Avx2Scan> && !utf8_avx2::available()) {
      GTEST_SKIP() << "no AVX2 on this processor";
    }
#endif
  }
};

using Backends = ::testing::Types<PortableScan
#if defined(ZORVS_HAVE_SSE2_PATH)
                                  ,
                                  Sse2Scan
#endif
#if defined(ZORVS_HAVE_AVX2_PATH)
                                  ,
                                  Avx2Scan
#endif
#if defined(ZORVS_HAVE_NEON_PATH)
                                  ,
                                  NeonScan
#endif
                                  >;
TYPED_TEST_SUITE(JsonStringScan, Backends);

TYPED_TEST(JsonStringScan, PlainRunEndsAtTheFirstSpecialByteAtEveryOffset) {
  // Every byte value at every offset of the 16- and 8-byte steps and the
  // byte-at-a-time tail, with the copy checked up to the byte found.
  for (int byte = 0; byte < 256; ++byte) {
    for (std::size_t offset = 0; offset < 40; ++offset) {
      std::string s(offset, 'a');
      s += static_cast<char>(byte);
      s += std::string(offset % 19, 'b');
      std::string out(s.size(), '\0');
      const std::size_t run = TypeParam::plain_run(s.data(), s.size(), out.data());
      ASSERT_EQ(run, reference_plain_run(s)) << "byte " << byte << " offset " << offset;
      EXPECT_EQ(out.substr(0, run), s.substr(0, run));
    }
  }
  // A run with nothing to escape, of every length around the steps.
  for (std::size_t n = 0; n < 40; ++n) {
    const std::string s(n, '\x7f');
    std::string out(n, '\0');
    EXPECT_EQ(TypeParam::plain_run(s.data(), n, out.data()), n);
    EXPECT_EQ(out, s);
  }
}

TYPED_TEST(JsonStringScan, BlocksClassifyEveryByteAtEveryOffset) {
  for (int byte = 0; byte < 256; ++byte) {
    for (std::size_t offset = 0; offset < kBlockSize; ++offset) {
      std::string block(kBlockSize, 'x');
      block[offset] = static_cast<char>(byte);
      block[(offset + 5) % kBlockSize] = 'n';
      TypeParam scan;
      SCOPED_TRACE(testing::Message() << "byte " << byte << " at " << offset);
      expect_same_bytes(scan.scan(block.data()), reference_block(block.data()));
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// The bytes a backslash escapes, one at a time.
std::uint32_t reference_escaped(std::string_view block, bool& carry) {
  std::uint32_t escaped = 0;
  for (std::size_t i = 0; i < block.size(); ++i) {
    if (carry) {
      escaped |= std::uint32_t{1} << i;
      carry = false;
    } else if (block[i] == '\\') {
      carry = true;
    }
  }
  return escaped;
}

TYPED_TEST(JsonStringScan, EscapesAreFollowedAcrossEveryBlockBoundary) {
  // Runs of backslashes of every length, crossing block borders, with the
  // text's other kinds of bytes between them.
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    while (text.size() < 4 * kBlockSize) {
      text += std::string(random() % 40, '\\');
      text += "ab\"\n\x01\xc3\xa9"[random() % 7];
    }
    text.resize(4 * kBlockSize);
    TypeParam scan;
    bool reference_carry = false;
    std::uint32_t carry = 0;
    for (std::size_t block = 0; block < text.size(); block += kBlockSize) {
      const char* p = text.data() + block;
      const BlockBytes bytes = scan.scan(p);
      expect_same_bytes(bytes, reference_block(p));
      const std::uint32_t expected = reference_escaped({p, kBlockSize}, reference_carry);
      ASSERT_EQ(escaped_bytes(bytes.backslashes, carry), expected)
          << text << " block " << block / kBlockSize;
      ASSERT_EQ(carry != 0, reference_carry);
    }
  }
}

TYPED_TEST(JsonStringScan, LastBlockKeepsOnlyTheBytesOfTheText) {
  // Quotes, backslashes and controls past the end are not the text's.
  const std::string text = "ab\\\"\x01";
  for (std::size_t n = 0; n <= text.size(); ++n) {
    TypeParam scan;
    const BlockBytes bytes = scan_last(scan, text.data(), n);
    const std::uint32_t in_text = (std::uint32_t{1} << n) - 1;
    EXPECT_EQ(bytes.backslashes, 0b00100u & in_text) << n;
    EXPECT_EQ(bytes.quotes, 0b01000u & in_text) << n;
    EXPECT_EQ(bytes.controls, 0b10000u & in_text) << n;
    EXPECT_TRUE(scan.valid_utf8()) << n;
  }
}

// The relay takes the fastest backend the processor has; a build whose
// vector paths are switched off by mistake fails here, where every other
// test would pass on the portable path. The expectation comes from the
// compiler's own view of the target, not from vector_paths.h.
TEST(JsonStringScanChoice, TheFastestBackendIsTaken) {
#if (defined(__x86_64__) || defined(__i386__)) && !defined(ZORVS_NO_SIMD)
#if !defined(ZORVS_NO_AVX2)
  const ScanBackend expected =
      __builtin_cpu_supports("avx2") ? ScanBackend::kAvx2 : ScanBackend::kSse2;
#else
  const ScanBackend expected = ScanBackend::kSse2;
#endif
#elif defined(__aarch64__) && !defined(ZORVS_NO_SIMD)
  const ScanBackend expected = ScanBackend::kNeon;
#else
  const ScanBackend expected = ScanBackend::kPortable;
#endif
  EXPECT_EQ(block_scan_backend(), expected);
}

}  // namespace
}  // namespace zorvs_mcp::json
