#include "utf8.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

namespace zorvs_mcp {
namespace {

TEST(Utf8, Validity) {
  struct Case {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ascii, longer than eight bytes", true},
      {"caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80", true},
      {"\xEF\xBB\xBF", true},
      {"\xC3", false},              // cut short
      {"\xC0\xAF", false},          // overlong
      {"\xE0\x80\xAF", false},      // overlong
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xFF", false},
      {"0123456789abcdef\x80", false},  // after a run of ASCII words
  };
  for (const Case& c : cases) EXPECT_EQ(is_valid_utf8(c.bytes), c.valid) << c.bytes;
}

// Well-formedness of one sequence by the definition: its length from the
// lead byte, continuation bytes, then the code point it decodes to must
// need that length and be a scalar value.
bool reference_valid(const std::string& seq) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(seq[i]); };
  const size_t len = b(0) < 0x80   ? 1
                     : b(0) < 0xC0 ? 0
                     : b(0) < 0xE0 ? 2
                     : b(0) < 0xF0 ? 3
                     : b(0) < 0xF8 ? 4
                                   : 0;
  if (len == 0 || len != seq.size()) return false;
  char32_t cp = len == 1 ? b(0) : b(0) & (0x7F >> len);
  for (size_t i = 1; i < len; ++i) {
    if ((b(i) & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b(i) & 0x3F);
  }
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  return cp >= least[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

TEST(Utf8, EveryLeadAndSecondByteAgreeWithTheDefinition) {
  // Each sequence alone, inside a run of other non-ASCII characters, and
  // after a word of ASCII, with every tail of continuation bytes it needs.
  for (int lead = 0x80; lead < 0x100; ++lead) {
    for (int second = 0; second < 0x100; ++second) {
      for (const std::string tail : {"", "\x80", "\x80\xBF", "\xBF\x80\x80"}) {
        const std::string seq =
            std::string{static_cast<char>(lead), static_cast<char>(second)} + tail;
        const bool valid = reference_valid(seq);
        ASSERT_EQ(is_valid_utf8(seq), valid)
            << std::hex << lead << " " << second << " +" << tail.size();
        ASSERT_EQ(is_valid_utf8("\xC3\xA9" + seq + "\xD0\x96"), valid)
            << std::hex << lead << " " << second;
        ASSERT_EQ(is_valid_utf8("01234567" + seq), valid) << std::hex << lead << " " << second;
        // Checked in blocks of 32 bytes, each two lanes of 16: across every
        // place of a lane and a block border, and cut off at the end of the
        // text.
        for (size_t before : {9, 10, 11, 12, 13, 14, 15, 16, 25, 26, 27, 28, 29, 30, 31, 32}) {
          const std::string at = std::string(before, 'a') + seq;
          ASSERT_EQ(is_valid_utf8(at + "bcdefghijklmnopqrstu"), valid)
              << std::hex << lead << " " << second << " at " << before;
          ASSERT_EQ(is_valid_utf8(at), valid)
              << std::hex << lead << " " << second << " at " << before;
        }
      }
    }
  }
}

// Whole texts of characters, some ill-formed, against the definition applied
// one character after another.
TEST(Utf8, RandomTextsAgreeWithTheDefinition) {
  const std::string pieces[] = {"a",
                                "~",
                                "\x7f",
                                "\xC2\x80",
                                "\xDF\xBF",
                                "\xE0\xA0\x80",
                                "\xED\x9F\xBF",
                                "\xEF\xBF\xBF",
                                "\xF0\x90\x80\x80",
                                "\xF4\x8F\xBF\xBF"};
  const std::string broken[] = {"\x80",
                                "\xC0\x80",
                                "\xC2",
                                "\xE0\x9F\xBF",
                                "\xED\xA0\x80",
                                "\xF0\x8F\xBF\xBF",
                                "\xF4\x90\x80\x80",
                                "\xF8",
                                "\xE1\x80",
                                "\xF1\x80\x80"};
  std::mt19937 random(11);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int length = static_cast<int>(random() % 40);
    for (int k = 0; k < length; ++k) text += pieces[random() % std::size(pieces)];
    const bool valid = random() % 2 == 0;
    if (!valid) text.insert(random() % (text.size() + 1), broken[random() % std::size(broken)]);
    // An inserted piece can split a character: the definition decides.
    bool expected = true;
    for (size_t at = 0; at < text.size() && expected;) {
      const auto lead = static_cast<unsigned char>(text[at]);
      const size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      expected = at + len <= text.size() && reference_valid(text.substr(at, len));
      at += len;
    }
    ASSERT_EQ(is_valid_utf8(text), expected) << testing::PrintToString(text);
  }
}

TEST(Utf8, TrimUnicodeSpace) {
  EXPECT_EQ(trim_unicode_space(" \t\r\n\v\f"), "");
  EXPECT_EQ(trim_unicode_space("\xC2\xA0 x y \xE3\x80\x80\xE2\x80\xA8"), "x y");
  EXPECT_EQ(trim_unicode_space("\xE2\x80\x8B"
                               "x"),
            "\xE2\x80\x8B"
            "x");  // zero-width space is not white space
  EXPECT_EQ(trim_unicode_space("{}"), "{}");
}

TEST(Utf8, LossyReplacesIllFormedBytes) {
  EXPECT_EQ(lossy_utf8("a\xFF"
                       "b\xC3\xA9"),
            "a\xEF\xBF\xBD"
            "b\xC3\xA9");
}

}  // namespace
}  // namespace zorvs_mcp
