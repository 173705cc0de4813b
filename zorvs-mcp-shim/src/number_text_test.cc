#include "number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace zorvs_mcp::json {
namespace {

std::string text_of(double d) {
  char buf[kMaxDoubleText];
  return std::string(buf, write_double(d, buf));
}

TEST(NumberText, WritesTheShortestDigitsLaidOutByMagnitude) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      // Zeros keep their sign.
      {0.0, "0.0"},
      {-0.0, "-0.0"},
      // Plain decimal while -5 < n <= 16, n the digits before the point.
      {1.0, "1.0"},
      {-2.5, "-2.5"},
      {12.34, "12.34"},
      {100000.0, "100000.0"},
      {0.001234, "0.001234"},
      {0.1, "0.1"},
      {0.30000000000000004, "0.30000000000000004"},
      {1e-5, "0.00001"},
      {1.5e-5, "0.000015"},
      {123456789012345.6, "123456789012345.6"},
      {1000000000000000.0, "1000000000000000.0"},
      {9007199254740993.0, "9007199254740992.0"},  // 2^53 + 1 is not a double
      // Scientific beyond: no '+', no leading zeros in the exponent.
      {1e-6, "1e-6"},
      {1e-7, "1e-7"},
      {-1.5e-7, "-1.5e-7"},
      {1e16, "1e16"},
      {1.25e16, "1.25e16"},
      {18446744073709551616.0, "1.8446744073709552e19"},
      {12345678901234567890.0, "1.2345678901234567e19"},
      {1e22, "1e22"},
      {1e300, "1e300"},
      {5e-324, "5e-324"},
      {2.2250738585072014e-308, "2.2250738585072014e-308"},
      {std::numeric_limits<double>::max(), "1.7976931348623157e308"},
      {-std::numeric_limits<double>::max(), "-1.7976931348623157e308"},
  };
  for (const auto& c : cases) EXPECT_EQ(text_of(c.value), c.text) << c.text;
}

TEST(NumberText, ReadsCorrectlyRoundedAndTellsOverflow) {
  const struct {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"0.1", 0.1},
      {"-2.5E-3", -0.0025},
      {"1E+300", 1e300},
      // Halfway between two doubles: rounds to the even one.
      {"9007199254740993", 9007199254740992.0},
      {"9007199254740995", 9007199254740996.0},
      // Long mantissas beyond any fast path.
      {"2.22507385850720113605740979670913197593481954635164564e-308",
       2.2250738585072009e-308},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
      {"1.7976931348623159e308", std::nullopt},
      {"1e400", std::nullopt},
      {"-1e400", std::nullopt},
      {"1e99999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<double> d = read_double(c.text);
    ASSERT_EQ(d.has_value(), c.value.has_value()) << c.text;
    if (d) {
      EXPECT_EQ(*d, *c.value) << c.text;
    }
  }
  // Too small for a double: a zero of the text's sign.
  for (const char* text : {"1e-400", "-1e-400", "-0.0"}) {
    const std::optional<double> d = read_double(text);
    ASSERT_TRUE(d) << text;
    EXPECT_EQ(*d, 0.0) << text;
    EXPECT_EQ(std::signbit(*d), text[0] == '-') << text;
  }
}

TEST(NumberText, EveryDoubleReadsBackFromItsText) {
  std::mt19937_64 rng(20261211);
  for (int i = 0; i < 50000; ++i) {
    const double d = std::bit_cast<double>(rng());
    if (!std::isfinite(d)) continue;
    const std::string text = text_of(d);
    const std::optional<double> back = read_double(text);
    ASSERT_TRUE(back) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(*back), std::bit_cast<std::uint64_t>(d)) << text;
  }
}

}  // namespace
}  // namespace zorvs_mcp::json
