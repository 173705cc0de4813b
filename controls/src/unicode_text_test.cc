#include "controls/src/unicode_text.h"

#include <gtest/gtest.h>

namespace zorvs::controls {
namespace {

// "é" precomposed and as "e" with a combining acute accent.
constexpr std::string_view kComposedE = "caf\xc3\xa9";
constexpr std::string_view kDecomposedE = "cafe\xcc\x81";

TEST(UnicodeText, CanonicallyEquivalentTextsAreEqual) {
  EXPECT_TRUE(canonicallyEqual(kComposedE, kDecomposedE));
  // Combining marks in either order: dot below (class 220) and dot above (230).
  EXPECT_TRUE(canonicallyEqual("q\xcc\xa3\xcc\x87", "q\xcc\x87\xcc\xa3"));
  // Angstrom sign and A with ring above.
  EXPECT_TRUE(canonicallyEqual("\xe2\x84\xab", "\xc3\x85"));
  EXPECT_EQ(canonicalForm(kDecomposedE), kComposedE);
}

TEST(UnicodeText, EqualityStaysExactOtherwise) {
  EXPECT_FALSE(canonicallyEqual("Abc", "abc"));
  EXPECT_FALSE(canonicallyEqual("abc", "abc "));
  EXPECT_FALSE(canonicallyEqual("7", "07"));
  EXPECT_FALSE(canonicallyEqual("cafe", kComposedE));
  // Compatibility equivalents are different texts: the "fi" ligature.
  EXPECT_FALSE(canonicallyEqual("\xef\xac\x81", "fi"));
  EXPECT_TRUE(canonicallyEqual("", ""));
  EXPECT_FALSE(canonicallyEqual(std::string("a\0b", 3), "a"));
}

TEST(UnicodeText, LowercasesWithTheFullLocaleIndependentMapping) {
  struct Case {
    std::string_view text, lowered;
  } cases[] = {
      {"WRITING Daily", "writing daily"},
      {"\xc3\x89T\xc3\x89", "\xc3\xa9t\xc3\xa9"},  // ÉTÉ
      {"\xc4\xb0stanbul", "i\xcc\x87stanbul"},     // İ keeps its dot
      {"I", "i"},                                  // no Turkish dotless i
      {"\xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91", "\xcf\x83\xce\xbf\xcf\x86\xce\xb9\xce\xb1"},
      {"\xe1\xba\x9e", "\xc3\x9f"},  // capital sharp s
      {"\xe2\x84\xaa", "k"},         // Kelvin sign
      {"\xd0\x9f\xd0\xa0\xd0\x98\xd0\x92\xd0\x95\xd0\xa2",
       "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82"},
      {"E\xcc\x81", "\xc3\xa9"},  // result is composed
      {"\xf0\x9f\x98\x80 42", "\xf0\x9f\x98\x80 42"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(lowercasedForm(c.text), c.lowered) << c.text;
}

TEST(UnicodeText, IllFormedBytesBecomeReplacementCharacters) {
  EXPECT_EQ(canonicalForm("a\xff"
                          "b"),
            "a\xef\xbf\xbd"
            "b");
  EXPECT_EQ(lowercasedForm("A\xc3"), "a\xef\xbf\xbd");
  EXPECT_FALSE(canonicallyEqual("\xff", "\xfe"));
  EXPECT_TRUE(canonicallyEqual("\xff", "\xff"));
  EXPECT_FALSE(canonicallyEqual("\xff", "\xef\xbf\xbd"));
}

}  // namespace
}  // namespace zorvs::controls
