#include "json.h"

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

namespace zorvs_mcp::json {
namespace {

using namespace std::string_view_literals;
namespace bj = boost::json;

Value parse_ok(std::string_view text) {
  ParseResult r = parse(text);
  if (auto* e = std::get_if<ParseError>(&r)) {
    ADD_FAILURE() << "parse of [" << text << "] failed: " << e->description;
    return nullptr;
  }
  return std::get<Value>(std::move(r));
}

std::string parse_error(std::string_view text) {
  ParseResult r = parse(text);
  if (auto* e = std::get_if<ParseError>(&r)) return e->description;
  return "(parsed)";
}

// write(parse(text)) parses back to an equal value and writes the same text.
void expect_round_trip(std::string_view text) {
  const Value v = parse_ok(text);
  const std::string once = to_text(v);
  ASSERT_FALSE(once.empty()) << text;
  const Value back = parse_ok(once);
  EXPECT_EQ(back, v) << text << " -> " << once;
  EXPECT_EQ(back.kind(), v.kind()) << text << " -> " << once;
  EXPECT_EQ(to_text(back), once) << text;
}

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

TEST(Json, ParsesAndWritesTable) {
  for (const Written& row : kWritten) {
    SCOPED_TRACE(row.in);
    const Value v = parse_ok(row.in);
    EXPECT_EQ(v.kind(), row.kind);
    EXPECT_EQ(to_text(v), row.out);
    expect_round_trip(row.in);
    TextBuffer rewritten;
    EXPECT_FALSE(rewrite(row.in, rewritten));
    EXPECT_EQ(rewritten.view(), row.out);
  }
}

TEST(Json, NegativeZeroKeepsItsSign) {
  EXPECT_TRUE(std::signbit(parse_ok("-0.0").as_double()));
  EXPECT_TRUE(std::signbit(parse_ok("-1e-400").as_double()));
  EXPECT_FALSE(std::signbit(parse_ok("0.0").as_double()));
}

TEST(Json, EscapedStringsDecodeToRawUtf8) {
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
};

TEST(Json, RefusesTable) {
  for (const Refused& row : kRefused) {
    EXPECT_EQ(parse_error(row.in), row.description) << "input: " << row.in;
  }
}

// --- Nesting --------------------------------------------------------------

std::string nested(std::string_view open, std::string_view inner, std::string_view close,
                   int levels) {
  std::string s;
  s.reserve((open.size() + close.size()) * static_cast<std::size_t>(levels) + inner.size());
  for (int i = 0; i < levels; ++i) s += open;
  s += inner;
  for (int i = 0; i < levels; ++i) s += close;
  return s;
}

TEST(Json, NestingBelow128LevelsParses) {
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

TEST(Json, WriterDepthIsBounded) {
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

TEST(Json, TextBufferTakesTheSameTextAsAString) {
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

TEST(Json, EveryByteAtEveryOffsetIsWrittenAsTheReferenceDoes) {
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

TEST(Json, StringsOfEscapesOnlyAreWrittenWhole) {
  // Two to six output bytes per input byte: the writer's first room holds
  // one escape in eight, so it must grow again mid-string, after a prefix.
  for (const std::size_t size : {1, 7, 8, 9, 63, 4096, 100'000}) {
    std::string s;
    for (std::size_t i = 0; i < size; ++i) s += "\x01\"\n"[i % 3];
    const Value v(bj::array{"lead", s, "tail"});
    EXPECT_TRUE(to_text(v) == "[\"lead\"," + reference_string(s) + ",\"tail\"]") << "size " << size;
  }
}

TEST(Json, LargeStringRoundTrips) {
  std::string big;
  big.reserve(10'000'100);
  while (big.size() < 10'000'000) big += "line with \"quotes\", a tab\t, \\ and \u00e9\n";
  const Value v(bj::object{{"text", big}});
  const std::string text = to_text(v);
  // EXPECT_TRUE, not EXPECT_EQ: gtest's diff of two 10 MB texts is huge.
  EXPECT_TRUE(text == "{\"text\":" + reference_string(big) + "}");
  EXPECT_TRUE(parse_ok(text).at("text").as_string() == big);
}

TEST(Json, WritesBuiltValues) {
  bj::object o;
  o["z"] = 1;
  o["a"] = bj::array{std::uint64_t{18446744073709551615u}, -1, 2.0, nullptr};
  o["m"] = std::numeric_limits<double>::infinity();  // JSON has no text for it
  std::string out = "prefix:";
  ASSERT_TRUE(write(o, out));
  EXPECT_EQ(out, R"(prefix:{"a":[18446744073709551615,-1,2.0,null],"m":null,"z":1})");
}

TEST(Json, RandomDoublesRoundTripExactly) {
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

TEST(Json, RoundTripProperty) {
  const std::string_view docs[] = {
      R"({"jsonrpc":"2.0","id":"abc","method":"tools/call","params":{"name":"run","arguments":{"x":[1,2.5,-0.0,1e-7,"\u0001"]}}})",
      R"([{"b":[{"d":1,"c":2}],"a":{}},[],[[]],"",0,-1,1.5e300,true,false,null])",
      R"({"result":{"content":[{"type":"text","text":"a\nb\tc \"q\" \\ \u00e9 \ud83d\ude00"}]},"id":7})",
  };
  for (const std::string_view doc : docs) expect_round_trip(doc);
}

// --- The bridge's own reader and rewriter against Boost's parser ----------
//
// parse() reads most texts itself and hands the rest to Boost's parser, and
// rewrite() goes from text to text without a value where it can;
// both must agree with Boost's parser on every text: the same value (kinds
// and doubles included, as the written text shows) or the same error
// description.

void expect_same_as_boost(std::string_view text) {
  const ParseResult ours = parse(text);
  const ParseResult boost = parse_with_boost(text);
  const auto* error = std::get_if<ParseError>(&boost);
  if (error) {
    ASSERT_TRUE(std::holds_alternative<ParseError>(ours)) << "accepted: " << text;
    EXPECT_EQ(std::get<ParseError>(ours).description, error->description) << text;
  } else {
    ASSERT_TRUE(std::holds_alternative<Value>(ours))
        << "refused: " << text << ": " << std::get<ParseError>(ours).description;
    EXPECT_EQ(std::get<Value>(ours), std::get<Value>(boost)) << text;
    EXPECT_EQ(to_text(std::get<Value>(ours)), to_text(std::get<Value>(boost))) << text;
  }

  TextBuffer out;
  out.append("<", 1);  // what stands before is kept
  const auto rewrite_error = rewrite(text, out);
  // Every string borrowed that can be, with the room for it unwritten.
  TextBuffer with_room;
  std::vector<Borrowed> borrowed;
  const auto borrowing_error = rewrite_borrowing(text, 1, with_room, borrowed);
  std::string joined;
  for (std::string_view piece : pieces(with_room.view(), borrowed)) joined += piece;
  if (error) {
    ASSERT_TRUE(rewrite_error) << "rewritten: " << text;
    EXPECT_EQ(rewrite_error->description, error->description) << text;
    EXPECT_EQ(out.view(), "<") << text;
    ASSERT_TRUE(borrowing_error) << "rewritten borrowing: " << text;
    EXPECT_EQ(borrowing_error->description, error->description) << text;
    EXPECT_TRUE(borrowed.empty()) << text;
  } else {
    ASSERT_FALSE(rewrite_error) << "not rewritten: " << text << ": " << rewrite_error->description;
    EXPECT_EQ(out.view(), "<" + to_text(std::get<Value>(boost))) << text;
    ASSERT_FALSE(borrowing_error) << text;
    EXPECT_EQ(joined, to_text(std::get<Value>(boost))) << text;
  }
}

TEST(Json, OwnReaderAgreesWithBoostOnEdges) {
  const std::string_view texts[] = {
      // Integers and doubles at the int64 / uint64 / double borders.
      "9223372036854775807",
      "9223372036854775808",
      "18446744073709551615",
      "18446744073709551616",
      "-9223372036854775808",
      "-9223372036854775809",
      "-0",
      "-0.0",
      "1E+2",
      "1e-400",
      "-1e-400",
      "4.9e-324",
      "2.2250738585072014e-308",
      "1.7976931348623157e308",
      "1e309",
      "0.1",
      "123456789012345678901234567890",
      "1.",
      ".5",
      "1e",
      "1e+",
      "-",
      "00",
      "-01",
      // Escapes, surrogates, control characters and raw UTF-8 in strings and keys.
      R"("\"\\\/\b\f\n\r\t")",
      R"("\u0000\u001f\u007f\u0080\u07ff\u0800\uffff")",
      R"("\ud83d\ude00\uD83D\uDE00")",
      R"("\ud800")",
      R"("\udc00")",
      R"("\ud800\ud800")",
      R"("\ud800\u")",
      R"("\u12")",
      R"("\x")",
      "\"\\",
      "\"a\\\"",
      "\"\x01\"",
      "\"\x7f\"",
      "\"\xc3\xa9\xe6\x97\xa5\xf0\x9f\xa6\x8a\"",
      "\"\xc3\"",
      "\"\xed\xa0\x80\"",
      "\"\xf4\x90\x80\x80\"",
      R"({"\u0061":1,"a":2})",
      R"({"a":1,"b":2,"a":3})",
      R"({"k\"ey":"v"})",
      R"({"":""})",
      // Escapes the writer uses are kept, the others rewritten.
      R"("\u000a\u000A\u0008\u000c\u001f\u001F\u0020\u0000\/\u00e9")",
      R"({"\u0062":1,"a":2})",
      R"({"a\n":1,"a":2})",
      // Members put in key order, wherever they stand; a key twice.
      R"({"c":1,"b":2,"a":3})",
      R"({"b":"x","a":"yy","c":"zzz"})",
      R"({"a":1,"c":3,"b":2})",
      R"({"type":"text","text":"the longest member moves once"})",
      R"({"m":"the longest member, in the middle","z":1,"a":"aa"})",
      R"({"jsonrpc":"2.0","id":5,"result":{"content":[{"type":"text","text":"t"}],"isError":false}})",
      R"({"a":1,"c":{"z":[1,{"y":2,"x":3}],"b":0},"b":[]})",
      R"({"a":1,"a":2})",
      R"({"b":1,"a":2,"b":3})",
      R"({"b":{"d":1,"c":2,"c":3},"a":0})",
      R"({"a":1,"c":2,"b":3,"c":4})",
      R"({"b":{"z":1,"y":{"d":1,"c":2}},"a":{"q":[{"n":1,"m":2}],"p":0},"c":{"f":{},"e":[]}})",
      R"({"d":4,"c":3,"b":2,"a":1,"e":{"y":1,"x":2}})",
      // Structure and white space.
      " \t\r\n[ 1 , { \"a\" : [ ] } ] \n",
      "[1,2,]",
      "{,}",
      "[[[[]]]]x",
      "nul",
      "truefalse",
      "{\"a\":1}\r",
      "\"abc\"\"",
      "[\"a\"\"b\"]",
      "{\"a\"1}",
  };
  for (const std::string_view text : texts) expect_same_as_boost(text);
  // Members that sort after a later key are moved out of its way while they
  // are short, and the object is put in order at its end otherwise.
  for (const std::size_t length : {10, 4070, 4079, 4080, 4081, 4100, 9000}) {
    const std::string text(length, 'x');
    expect_same_as_boost(R"({"m":")" + text + R"(","n":1,"a":{"z":1,"y":2},"b":[{"d":1,"c":2}]})");
    expect_same_as_boost(R"({"b":1,"m":")" + text + R"(","a":2,"m":3})");
  }
}

TEST(Json, OwnReaderAgreesWithBoostAroundEveryEscapeOffset) {
  // The reader copies eight or sixteen bytes at a time and the rewriter
  // sixteen or 32, checking UTF-8 on the way: put each escape, character and
  // ill-formed sequence at every offset of a block, in strings and in keys.
  const std::string_view escapes[] = {R"(\")",
                                      R"(\\)",
                                      R"(\n)",
                                      R"(\u00e9)",
                                      R"(\ud83d\ude00)",
                                      "\xc3\xa9",
                                      R"(\q)",
                                      "\x01",
                                      "\xf0\x9f\xa6\x8a",
                                      "\xc3",
                                      "\xed\xa0\x80",
                                      "\xf4\x90\x80\x80",
                                      "\xe6\x97",
                                      "\\/\xc3",  // an escape written again, and then bad UTF-8
                                      R"(\u001f)",
                                      R"(\\\")",
                                      R"(\\\\\\\\\\\\\\)",
                                      R"(\\\u0001)",
                                      "\x1f",
                                      "\x7f"};
  for (const std::string_view escape : escapes) {
    for (std::size_t before = 0; before < 40; ++before) {
      const std::string body = std::string(before, 'a') + std::string(escape) + "bcdefghij";
      expect_same_as_boost("\"" + body + "\"");
      expect_same_as_boost("{\"" + body + "\":[\"" + body + body + "\"]}");
    }
  }
}

TEST(Json, OwnReaderAgreesWithBoostOnMutatedMessages) {
  const std::string base =
      R"({"jsonrpc":"2.0","id":12,"method":"tools/call","params":{"name":"run","arguments":)"
      R"({"text":"line one\nline \"two\"\tC:\\dir \u00e9 \ud83d\ude00 )"
      "\xc3\xa9"
      R"(","n":[-1,0.5,1e3,18446744073709551615,true,false,null],"a":{"a":1,"a":{}}}}})";
  const char bytes[] = {'"', '\\', '{', '}', '[', ']', ',',    ':',
                        ' ', '\n', '0', '-', 'e', 'u', '\x01', '\xc3'};
  std::mt19937 random(7);
  expect_same_as_boost(base);
  for (int i = 0; i < 3000; ++i) {
    std::string text = base;
    for (auto edits = 1 + random() % 3; edits > 0; --edits) {
      const std::size_t at = random() % text.size();
      switch (random() % 3) {
        case 0:
          text[at] = bytes[random() % sizeof bytes];
          break;
        case 1:
          text.erase(at, 1);
          break;
        default:
          text.insert(at, 1, bytes[random() % sizeof bytes]);
          break;
      }
    }
    expect_same_as_boost(text);
  }
}

}  // namespace
}  // namespace zorvs_mcp::json
