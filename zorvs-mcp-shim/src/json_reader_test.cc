#include "json_reader.h"

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

using namespace test_support;
namespace bj = boost::json;

// --- Values that parse: the kind held and the text written -----------------

struct Written {
  std::string_view in;
  bj::kind kind;
  std::string_view out;
};

const Written kWritten[] = {
    // Integers at the int64 / uint64 / double borders.
    {"0", bj::kind::int64, "0"},
    {"-0", bj::kind::int64, "0"},  // Boost's reading: integer zero
    {"9223372036854775807", bj::kind::int64, "9223372036854775807"},
    {"-9223372036854775808", bj::kind::int64, "-9223372036854775808"},
    {"9223372036854775808", bj::kind::uint64, "9223372036854775808"},
    {"18446744073709551615", bj::kind::uint64, "18446744073709551615"},
    {"18446744073709551616", bj::kind::double_, "1.8446744073709552e19"},
    {"-9223372036854775809", bj::kind::double_, "-9.223372036854776e18"},
    // Doubles: shortest text, always readable as a double again.
    {"-0.0", bj::kind::double_, "-0.0"},
    {"0.0", bj::kind::double_, "0.0"},
    {"1.0", bj::kind::double_, "1.0"},
    {"1e2", bj::kind::double_, "100.0"},
    {"1.5", bj::kind::double_, "1.5"},
    {"-2.5E-3", bj::kind::double_, "-0.0025"},
    {"0.1", bj::kind::double_, "0.1"},
    {"1e300", bj::kind::double_, "1e300"},
    {"1E+300", bj::kind::double_, "1e300"},
    {"1e22", bj::kind::double_, "1e22"},
    {"5e-324", bj::kind::double_, "5e-324"},
    {"1e-400", bj::kind::double_, "0.0"},  // underflow reads as zero
    {"-1e-400", bj::kind::double_, "-0.0"},
    {"1.7976931348623157e308", bj::kind::double_, "1.7976931348623157e308"},
    {"2.2250738585072014e-308", bj::kind::double_, "2.2250738585072014e-308"},
    {"0.30000000000000004", bj::kind::double_, "0.30000000000000004"},
    // Escapes: only '"', '\' and controls are escaped; the rest is raw UTF-8.
    {R"("a\"b\\c\/d")", bj::kind::string, R"("a\"b\\c/d")"},
    {R"("\b\f\n\r\t\u0000\u001F\u000b")", bj::kind::string, R"("\b\f\n\r\t\u0000\u001f\u000b")"},
    {R"("\u0041\u00e9\u20AC\ud83d\ude00")", bj::kind::string, "\"A\u00e9\u20ac\U0001F600\""},
    {"\"\x7f \u00e9 \u20ac \U0001F600\"", bj::kind::string, "\"\x7f \u00e9 \u20ac \U0001F600\""},
    // Objects: members in ascending byte order, a duplicate key keeps its
    // later member and is written once.
    {R"({"b":1,"a":2,"B":3,"":4,"é":5,"ab":6})", bj::kind::object,
     R"({"":4,"B":3,"a":2,"ab":6,"b":1,"é":5})"},
    {R"({"a":1,"b":2,"a":3})", bj::kind::object, R"({"a":3,"b":2})"},
    {R"({"z":{"y":[{"d":true,"c":null}],"x":false}})", bj::kind::object,
     R"({"z":{"x":false,"y":[{"c":null,"d":true}]}})"},
    {R"({"jsonrpc":"2.0","id":5,"result":{}})", bj::kind::object,
     R"({"id":5,"jsonrpc":"2.0","result":{}})"},
    // White space: space, tab, LF and CR around and inside the value.
    {" \t\r\n[ 1 ,\t{ \"a\" :\r\n2 } ] \t\r\n", bj::kind::array, R"([1,{"a":2}])"},
    {"{\"id\":1}\n", bj::kind::object, R"({"id":1})"},
    {"{\"id\":1}\r\n", bj::kind::object, R"({"id":1})"},
    {"[]", bj::kind::array, "[]"},
    {"{}", bj::kind::object, "{}"},
    {"true", bj::kind::bool_, "true"},
    {"false", bj::kind::bool_, "false"},
    {"null", bj::kind::null, "null"},
    {R"("")", bj::kind::string, R"("")"},
};

TEST(JsonReader, ParsesAndWritesTable) {
  for (const Written& row : kWritten) {
    SCOPED_TRACE(row.in);
    const Value v = parse_ok(row.in);
    EXPECT_EQ(v.kind(), row.kind);
    EXPECT_EQ(to_text(v), row.out);
    expect_round_trip(row.in);
    Relayed relayed;
    EXPECT_FALSE(relay(row.in, SIZE_MAX, relayed));
    EXPECT_EQ(relayed.written.view(), row.out);
  }
}

TEST(JsonReader, NegativeZeroKeepsItsSign) {
  EXPECT_TRUE(std::signbit(parse_ok("-0.0").as_double()));
  EXPECT_TRUE(std::signbit(parse_ok("-1e-400").as_double()));
  EXPECT_FALSE(std::signbit(parse_ok("0.0").as_double()));
}

TEST(JsonReader, EscapedStringsDecodeToRawUtf8) {
  EXPECT_EQ(parse_ok(R"("\ud83d\ude00")").as_string(), "\U0001F600");
  EXPECT_EQ(parse_ok(R"("\u00e9")").as_string(), "\u00e9");
  EXPECT_EQ(parse_ok(R"("a\u0000b")").as_string(), std::string_view("a\0b", 3));
}

TEST(JsonReader, RoundTripProperty) {
  const std::string_view docs[] = {
      R"({"jsonrpc":"2.0","id":"abc","method":"tools/call","params":{"name":"run","arguments":{"x":[1,2.5,-0.0,1e-7,"\u0001"]}}})",
      R"([{"b":[{"d":1,"c":2}],"a":{}},[],[[]],"",0,-1,1.5e300,true,false,null])",
      R"({"result":{"content":[{"type":"text","text":"a\nb\tc \"q\" \\ \u00e9 \ud83d\ude00"}]},"id":7})",
  };
  for (const std::string_view doc : docs) expect_round_trip(doc);
}

}  // namespace
}  // namespace zorvs_mcp::json
