// The tokenizer's faults: what each text that does not parse is refused
// with, the same through parse() and through relay().
#include "json_tokens.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "json.h"
#include "json_testing.h"

namespace zorvs_mcp::json {
namespace {

using namespace std::string_view_literals;
using namespace test_support;

// --- Texts that do not parse: the description ------------------------------

// The tokenizer describes a fault where it meets it, for both its readers:
// parse() and relay() give the same description.
void expect_refused(std::string_view text, std::string_view description) {
  EXPECT_EQ(parse_error(text), description) << "input: " << text;
  Relayed relayed;
  const auto error = relay(text, 1, relayed);
  ASSERT_TRUE(error) << "relayed: " << text;
  EXPECT_EQ(error->description, description) << "relayed: " << text;
}

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
    // Cut short in a key the relay gives up on (the empty stand-in for it
    // is a key given twice): the text is still read to its end.
    {"{\"\":{},\"b\xee\"", "EOF while parsing an object at line 1 column 11"},
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

TEST(JsonTokens, RefusesTable) {
  for (const Refused& row : kRefused) expect_refused(row.in, row.description);
}

TEST(JsonTokens, NestingBelow128LevelsParses) {
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
      expect_refused(text, row.description);
    }
  }
}

}  // namespace
}  // namespace zorvs_mcp::json
