#include "text_buffer.h"

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

TEST(JsonTextBuffer, TextBufferTakesTheSameTextAsAString) {
  // The buffer keeps what it held, grows past its first block and across
  // a large string, and is left as it was when writing fails.
  std::string big(3'000'000, 'x');
  big[1'000'000] = '\n';
  const Value values[] = {
      parse_ok(R"({"b":[1,2.5,"\u0001"],"a":null,"c":{"z":true,"y":"\u00e9"}})"),
      Value(big),
      parse_ok(nested("[", "", "]", kMaxDepth - 1)),
  };
  TextBuffer buffer;
  for (const Value& v : values) {
    buffer.clear();
    buffer.append("keep", 4);
    ASSERT_TRUE(write(v, buffer));
    EXPECT_TRUE(buffer.view() == "keep" + to_text(v));
  }
  Value deep = parse_ok(nested("[", "", "]", kMaxDepth - 1));
  for (int level = kMaxDepth - 1; level <= kMaxWriteDepth; ++level)
    deep = bj::array{std::move(deep)};
  buffer.clear();
  buffer.append("keep", 4);
  EXPECT_FALSE(write(deep, buffer));
  EXPECT_EQ(buffer.view(), "keep");
}

}  // namespace
}  // namespace zorvs_mcp::json
