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

using namespace std::string_view_literals;
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

// --- Texts that do not parse: the description ------------------------------

struct Refused {
  std::string_view in;
  std::string_view description;
};

const Refused kRefused[] = {
    {"hello", "expected value at line 1 column 1"},
    {"", "EOF while parsing a value at line 1 column 0"},
    {" ", "EOF while parsing a value at line 1 column 1"},
    {"\n", "EOF while parsing a value at line 1 column 1"},
    {"1 2", "trailing characters at line 1 column 3"},
    {R"({"id":1} {"id":2})", "trailing characters at line 1 column 10"},
    {"1\0"sv, "trailing characters at line 1 column 2"},
    {"{\"a\":1", "EOF while parsing an object at line 1 column 6"},
    {"{\"a\":1\n", "EOF while parsing an object at line 1 column 7"},
    {"{", "EOF while parsing an object at line 1 column 1"},
    {"[1,2", "EOF while parsing a list at line 1 column 4"},
    {"[1,", "EOF while parsing a value at line 1 column 3"},
    {"\"abc", "EOF while parsing a string at line 1 column 4"},
    {"tru", "EOF while parsing a value at line 1 column 3"},
    {"-", "EOF while parsing a value at line 1 column 1"},
    {"1e400", "number out of range at line 1 column 1"},
    {"-1e400", "number out of range at line 1 column 1"},
    {"[0, 1e400]", "number out of range at line 1 column 5"},
    {"1e99999999999999999999", "number out of range at line 1 column 1"},
    // A long exponent that underflows reads as zero: the fault is after it.
    {"[1e-99999999999999999999,]", "trailing comma at line 1 column 26"},
    {"01", "invalid number at line 1 column 2"},
    {"1.x", "invalid number at line 1 column 3"},
    {"[-]", "invalid number at line 1 column 3"},
    {"trux", "expected ident at line 1 column 4"},
    {"nan", "expected ident at line 1 column 2"},
    {R"("\q")", "invalid escape at line 1 column 3"},
    {R"("\u12G4")", "invalid escape at line 1 column 6"},
    {R"("\ud800")", "invalid unicode code point at line 1 column 8"},
    {R"("\ud800\u0041")", "invalid unicode code point at line 1 column 10"},
    {"\"a\tb\"",
     "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
    {R"({"a" 1})", "expected `:` at line 1 column 6"},
    {R"({"a":1 "b":2})", "expected `,` or `}` at line 1 column 8"},
    {"[1 2]", "expected `,` or `]` at line 1 column 4"},
    {"{1:2}", "key must be a string at line 1 column 2"},
    {"[1,]", "trailing comma at line 1 column 4"},
    {R"({"a":1,})", "trailing comma at line 1 column 8"},
    {"[}", "expected value at line 1 column 2"},
    {"+1", "expected value at line 1 column 1"},
    // Only space, tab, LF and CR count as white space.
    {"\f1", "expected value at line 1 column 1"},
    {"1\f", "trailing characters at line 1 column 2"},
    {"\u00a0"
     "1",
     "expected value at line 1 column 1"},
    {"1\u00a0", "trailing characters at line 1 column 2"},
    // Positions on later lines: LF starts a line, columns count bytes.
    {"{\n  \"a\": 1,\n  \"b\": x\n}", "expected value at line 3 column 8"},
    {"[1,\n2,\n", "EOF while parsing a value at line 2 column 3"},
    {"[\"\u00e9\",\n\u00e9]", "expected value at line 2 column 1"},
    {"\"\u00e9\" \u00e9", "trailing characters at line 1 column 6"},
    // Strings must be UTF-8: the fault stands at the first byte of the bad
    // sequence, in keys too. A sequence cut short by the end of the text
    // makes the text end inside its value.
    {"\"\xff\"", "invalid UTF-8 at line 1 column 2"},
    {"{\"\xc3\":1}", "invalid UTF-8 at line 1 column 3"},
    {"\"ab\xed\xa0\x80\"", "invalid UTF-8 at line 1 column 4"},  // a surrogate
    {"[\"\xe2\x82\"]", "invalid UTF-8 at line 1 column 3"},
    {"\"\xe2\\q", "invalid UTF-8 at line 1 column 2"},
    {"[\"a\xf0\x9f\"", "EOF while parsing a list at line 1 column 6"},
    {"{\"a\xe2\"", "EOF while parsing an object at line 1 column 5"},
    // Surrogates and \u escapes: where the fault stands depends on whether
    // the escape was read a digit at a time (near the end of the text) or at
    // once, as it always has.
    {R"("\udc00")", "invalid unicode code point at line 1 column 8"},
    {"\"\\udc00\x01\"",
     "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 8"},
    {R"("\udc00xxxxxxxxxxxxxxxxxxxx")", "invalid escape at line 1 column 3"},
    {R"("\u12G4xxxxxxxxxxxxxxxxxxxx")", "invalid escape at line 1 column 5"},
    {"\"\\ud800\x01xxxxxxxxxxxxxxxxxxxx\"",
     "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 8"},
    {R"("\ud800\u00e9xxxxxxxxxxxxxxxxxxxx")", "invalid unicode code point at line 1 column 10"},
    {R"(["\u"123xxxxxxxxxxxxxxxxxxxx"])", "expected `,` or `]` at line 1 column 6"},
};

TEST(JsonReader, RefusesTable) {
  for (const Refused& row : kRefused) {
    EXPECT_EQ(parse_error(row.in), row.description) << "input: " << row.in;
  }
}

TEST(JsonReader, NestingBelow128LevelsParses) {
  struct Row {
    std::string_view open, inner, close;
    int levels;
    std::string_view description;  // empty: parses
  };
  const Row rows[] = {
      {"[", "", "]", 127, ""},
      {"[", "", "]", 128, "recursion limit exceeded at line 1 column 128"},
      {"[", "", "]", 100000, "recursion limit exceeded at line 1 column 128"},
      {R"({"a":)", "0", "}", 127, ""},
      {R"({"a":)", "0", "}", 128, "recursion limit exceeded at line 1 column 636"},
      {R"({"a":)", "0", "}", 100000, "recursion limit exceeded at line 1 column 636"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.open) + " x " + std::to_string(row.levels));
    const std::string text = nested(row.open, row.inner, row.close, row.levels);
    if (row.description.empty()) {
      expect_round_trip(text);
    } else {
      EXPECT_EQ(parse_error(text), row.description);
    }
  }
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
