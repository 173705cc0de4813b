#include "string_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

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

TEST(JsonStringScan, PlainRunEndsAtTheFirstSpecialByteAtEveryOffset) {
  // Every byte value at every offset of the 16- and 8-byte steps and the
  // byte-at-a-time tail, with the copy checked up to the byte found.
  for (int byte = 0; byte < 256; ++byte) {
    for (std::size_t offset = 0; offset < 40; ++offset) {
      std::string s(offset, 'a');
      s += static_cast<char>(byte);
      s += std::string(offset % 7, 'b');
      std::string out(s.size(), '\0');
      const std::size_t run = copy_plain_run(s.data(), s.size(), out.data());
      const std::size_t expected = reference_plain_run(s);
      ASSERT_EQ(run, expected) << "byte " << byte << " offset " << offset;
      EXPECT_EQ(out.substr(0, run), s.substr(0, run));
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

TEST(JsonStringScan, EscapedBytesFollowRunsOfBackslashesAcrossBlocks) {
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    // Runs of backslashes of every length, crossing block borders.
    std::string text;
    while (text.size() < 4 * kBlockSize) {
      text += std::string(random() % 40, '\\');
      text += "ab\""[random() % 3];
    }
    text.resize(4 * kBlockSize);
    bool reference_carry = false;
    std::uint32_t carry = 0;
    for (std::size_t block = 0; block < text.size(); block += kBlockSize) {
      const std::string_view bytes(text.data() + block, kBlockSize);
      const std::uint32_t expected = reference_escaped(bytes, reference_carry);
      ASSERT_EQ(escaped_bytes(reference_block(bytes.data()).backslashes, carry), expected)
          << text << " block " << block / kBlockSize;
      ASSERT_EQ(carry != 0, reference_carry);
    }
  }
}

void expect_blocks_classify_like_the_reference(auto& blocks) {
  for (int byte = 0; byte < 256; ++byte) {
    for (std::size_t offset = 0; offset < kBlockSize; ++offset) {
      std::string block(kBlockSize, 'x');
      block[offset] = static_cast<char>(byte);
      block[(offset + 5) % kBlockSize] = 'n';
      const BlockBytes found = blocks.scan(block.data());
      const BlockBytes expected = reference_block(block.data());
      ASSERT_EQ(found.backslashes, expected.backslashes) << byte << " at " << offset;
      ASSERT_EQ(found.quotes, expected.quotes) << byte << " at " << offset;
      ASSERT_EQ(found.controls, expected.controls) << byte << " at " << offset;
      ASSERT_EQ(found.short_escapes, expected.short_escapes) << byte << " at " << offset;
    }
  }
}

TEST(JsonStringScan, PlainBlocksClassifyEveryByteAtEveryOffset) {
  PlainBlocks blocks;
  expect_blocks_classify_like_the_reference(blocks);
}

#if defined(ZORVS_HAVE_AVX2_PATH)
TEST(JsonStringScan, Avx2BlocksClassifyEveryByteAtEveryOffset) {
  if (!utf8_avx2::available()) GTEST_SKIP() << "no AVX2 on this processor";
  Avx2Blocks blocks;
  expect_blocks_classify_like_the_reference(blocks);
}
#endif

TEST(JsonStringScan, LastBlockKeepsOnlyTheBytesOfTheText) {
  // Quotes, backslashes and controls past the end are not the text's.
  const std::string text = "ab\\\"\x01";
  for (std::size_t n = 0; n <= text.size(); ++n) {
    PlainBlocks blocks;
    const BlockBytes bytes = scan_last(blocks, text.data(), n);
    const std::uint32_t in_text = (std::uint32_t{1} << n) - 1;
    EXPECT_EQ(bytes.backslashes, 0b00100u & in_text) << n;
    EXPECT_EQ(bytes.quotes, 0b01000u & in_text) << n;
    EXPECT_EQ(bytes.controls, 0b10000u & in_text) << n;
  }
}

}  // namespace
}  // namespace zorvs_mcp::json
