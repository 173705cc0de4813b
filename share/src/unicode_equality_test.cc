#include "share/src/unicode_equality.h"

#include <gtest/gtest.h>

#include <string>

namespace zorvs::share {
namespace {

TEST(CanonicallyEqual, ComparesCanonicalFormsNotCompatibilityForms) {
  struct Case {
    std::string a, b;
    bool equal;
  };
  const Case cases[] = {
      {"Page", "Page", true},
      {"Page", "page", false},
      {"caf\xC3\xA9", "cafe\xCC\x81", true},               // é precomposed / e + acute
      {"\xE1\x84\x80\xE1\x85\xA1", "\xEA\xB0\x80", true},  // Hangul jamo / syllable
      {"a\xCC\xA3\xCC\x81", "a\xCC\x81\xCC\xA3", true},    // combining marks reordered
      {"\xE2\x84\xAB", "\xC3\x85", true},                  // Angstrom sign / Å
      {"\xEF\xAC\x81", "fi", false},                       // ligature is only compatible
      {"cafe", "caf\xC3\xA9", false},
      {"", "", true},
      {std::string("a\0b", 3), std::string("a\0b", 3), true},
      {std::string("a\0b", 3), "a", false},
      {"\xFF\xFE", "\xFF\xFE", true},  // not UTF-8: bytes compared
      {"\xFF\xFE", "\xFF\xFD", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(canonically_equal(c.a, c.b), c.equal) << c.a << " vs " << c.b;
    EXPECT_EQ(canonically_equal(c.b, c.a), c.equal) << c.b << " vs " << c.a;
  }
}

}  // namespace
}  // namespace zorvs::share
