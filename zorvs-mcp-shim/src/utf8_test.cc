#include "utf8.h"

#include <gtest/gtest.h>

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
