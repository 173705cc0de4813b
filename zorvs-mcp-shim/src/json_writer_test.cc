#include "json_writer.h"

#include <gtest/gtest.h>

#include <boost/json/array.hpp>
#include <boost/json/kind.hpp>
#include <boost/json/object.hpp>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "json_testing.h"

namespace zorvs_mcp::json {
namespace {

using namespace std::string_view_literals;
using namespace test_support;
namespace bj = boost::json;

TEST(JsonWriter, WriterDepthIsBounded) {
  // What parses, wrapped in envelopes up to the margin, writes.
  Value v = parse_ok(nested("[", "", "]", kMaxDepth - 1));
  for (int level = kMaxDepth - 1; level < kMaxWriteDepth; ++level) {
    bj::object envelope;
    envelope["result"] = std::move(v);
    v = std::move(envelope);
  }
  std::string out = "keep";
  ASSERT_TRUE(write(v, out));
  EXPECT_EQ(out.size(), 4 + 2 * 127 + 11 * 9);

  // One level more fails, leaving `out` as it was.
  bj::array deeper;
  deeper.push_back(std::move(v));
  v = std::move(deeper);
  out = "keep";
  EXPECT_FALSE(write(v, out));
  EXPECT_EQ(out, "keep");
  EXPECT_EQ(to_text(v), "");
}

// --- Writer details -------------------------------------------------------

// Byte-by-byte reference for the string escaping rules.
std::string reference_string(std::string_view s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (c < 0x20) {
          const char hex[] = "0123456789abcdef";
          out += "\\u00";
          out += hex[c >> 4];
          out += hex[c & 0xF];
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

TEST(JsonWriter, EveryByteAtEveryOffsetIsWrittenAsTheReferenceDoes) {
  // Covers each control character, quote, backslash, DEL and bytes >= 0x80,
  // at each position of the eight-byte scanning word.
  for (int byte = 0; byte < 256; ++byte) {
    for (std::size_t offset = 0; offset < 17; ++offset) {
      std::string s(offset, 'a');
      s += static_cast<char>(byte);
      s += "bcdefghij";
      ASSERT_EQ(to_text(Value(s)), reference_string(s)) << "byte " << byte << " offset " << offset;
    }
  }
  std::string controls;
  for (int c = 0; c < 0x20; ++c) controls += static_cast<char>(c);
  EXPECT_EQ(
      to_text(Value(controls)),
      R"("\u0000\u0001\u0002\u0003\u0004\u0005\u0006\u0007\b\t\n\u000b\f\r\u000e\u000f)"
      R"(\u0010\u0011\u0012\u0013\u0014\u0015\u0016\u0017\u0018\u0019\u001a\u001b\u001c\u001d\u001e\u001f")");
  expect_round_trip(to_text(Value(controls)));
}

TEST(JsonWriter, StringsOfEscapesOnlyAreWrittenWhole) {
  // Two to six output bytes per input byte: the writer's first room holds
  // one escape in eight, so it must grow again mid-string, after a prefix.
  for (const std::size_t size : {1, 7, 8, 9, 63, 4096, 100'000}) {
    std::string s;
    for (std::size_t i = 0; i < size; ++i) s += "\x01\"\n"[i % 3];
    const Value v(bj::array{"lead", s, "tail"});
    EXPECT_TRUE(to_text(v) == "[\"lead\"," + reference_string(s) + ",\"tail\"]") << "size " << size;
  }
}

TEST(JsonWriter, LargeStringRoundTrips) {
  std::string big;
  big.reserve(10'000'100);
  while (big.size() < 10'000'000) big += "line with \"quotes\", a tab\t, \\ and \u00e9\n";
  const Value v(bj::object{{"text", big}});
  const std::string text = to_text(v);
  // EXPECT_TRUE, not EXPECT_EQ: gtest's diff of two 10 MB texts is huge.
  EXPECT_TRUE(text == "{\"text\":" + reference_string(big) + "}");
  EXPECT_TRUE(parse_ok(text).at("text").as_string() == big);
}

TEST(JsonWriter, WritesBuiltValues) {
  bj::object o;
  o["z"] = 1;
  o["a"] = bj::array{std::uint64_t{18446744073709551615u}, -1, 2.0, nullptr};
  o["m"] = std::numeric_limits<double>::infinity();  // JSON has no text for it
  std::string out = "prefix:";
  ASSERT_TRUE(write(o, out));
  EXPECT_EQ(out, R"(prefix:{"a":[18446744073709551615,-1,2.0,null],"m":null,"z":1})");
}

TEST(JsonWriter, RandomDoublesRoundTripExactly) {
  // Boost 1.81's own number conversion misses about a quarter of these.
  std::mt19937_64 rng(20240601);
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t bits = rng();
    const double d = std::bit_cast<double>(bits);
    if (!std::isfinite(d)) continue;
    const std::string text = to_text(Value(d));
    const Value back = parse_ok(text);
    ASSERT_TRUE(back.is_double()) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(back.get_double()), bits) << text;
  }
}

}  // namespace
}  // namespace zorvs_mcp::json
