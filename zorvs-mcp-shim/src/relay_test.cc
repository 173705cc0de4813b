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

#include "json_oracle_testing.h"
#include "json_testing.h"

namespace zorvs_mcp::json {
namespace {

using namespace std::string_view_literals;
using namespace test_support;
namespace bj = boost::json;

// --- The bridge's own reader and rewriter against Boost's parser ----------
//
// parse() reads most texts itself and hands the rest to Boost's parser, and
// relay() goes from text to text without a value where it can;
// both must agree with Boost's parser on every text: the same value (kinds
// and doubles included, as the written text shows) or the same error
// description.

// Every member of a top-level object is found by its key, with the text of
// its value; nothing is found in any other value.
void expect_members_found(const Value& value, const Relayed& relayed, std::string_view text) {
  const auto* object = value.if_object();
  if (object == nullptr) {
    EXPECT_TRUE(relayed.members.empty()) << text;
    return;
  }
  EXPECT_EQ(relayed.members.size(), object->size()) << text;
  for (const auto& member : *object) {
    const auto spans = relayed.member_value(member.key());
    ASSERT_TRUE(spans) << member.key() << " in " << text;
    std::string found;
    for (std::string_view span : *spans) found += span;
    EXPECT_EQ(found, to_text(member.value())) << member.key() << " in " << text;
  }
}

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

  Relayed relayed;
  TextBuffer& out = relayed.written;
  out.append("<", 1);  // what stands before is kept
  const auto rewrite_error = relay(text, SIZE_MAX, relayed);
  EXPECT_TRUE(relayed.borrowed.empty()) << text;
  // Every string borrowed that can be, with the room for it unwritten.
  Relayed with_room;
  const auto borrowing_error = relay(text, 1, with_room);
  const std::vector<Borrowed>& borrowed = with_room.borrowed;
  std::string joined;
  for (std::string_view piece : with_room.spans()) joined += piece;
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
    expect_members_found(std::get<Value>(boost), relayed, text);
    expect_members_found(std::get<Value>(boost), with_room, text);
  }
}

TEST(JsonRelay, LongStringsAreBorrowedFromTheLine) {
  // Only the text-to-text path borrows; the fallback through a value
  // writes every byte. A relay that always fell back would still give the
  // right text, so this checks where the text comes from.
  std::string body;
  while (body.size() < 100'000)
    body += R"(line \"two\"\tC:\\dir \u001f )"
            "\xc3\xa9\\n";
  const std::string quoted = "\"" + body + "\"";
  const std::string lines[] = {
      R"({"id":3,"jsonrpc":"2.0","result":{"content":[{"text":)" + quoted + R"(,"type":"text"}]}})",
      // Members out of key order: the long one stays borrowed as it moves.
      R"({"result":{"content":[{"type":"text","text":)" + quoted + R"(}]},"jsonrpc":"2.0","id":3})",
  };
  for (const std::string& line : lines) {
    Relayed relayed;
    ASSERT_FALSE(relay(line, 64 << 10, relayed));
    ASSERT_EQ(relayed.borrowed.size(), 1u) << line.substr(0, 80);
    EXPECT_EQ(relayed.borrowed[0].from, line.data() + line.find(quoted));
    EXPECT_EQ(relayed.borrowed[0].size, quoted.size());
    std::string joined;
    for (std::string_view span : relayed.spans()) joined += span;
    EXPECT_TRUE(joined == to_text(parse_ok(line)));
    // Shorter strings are copied.
    Relayed copied;
    ASSERT_FALSE(relay(line, quoted.size() + 1, copied));
    EXPECT_TRUE(copied.borrowed.empty());
    EXPECT_TRUE(copied.written.view() == joined);
  }
}

// The bridge takes a tools/list answer's "result" from the relayed text
// itself, so it must be found however the relay came to write the object:
// members in order, moved in front of short ones, put in order at the end
// with long strings borrowed, or written from a value (an escaped or
// repeated key), and never inside another value.
TEST(JsonRelay, FindsTopLevelMembersWhereverTheyWereWritten) {
  const std::string long_text(100'000, 'x');
  const std::string texts[] = {
      R"({"id":1,"jsonrpc":"2.0","result":{"tools":[]}})",
      R"( { "result" : { "tools" : [ 1 ] } , "id" : 1 } )",
      R"({"z":{"a":"b"},"result":"r","id":1})",
      R"({"result":{"tools":[")" + long_text + R"("]},"jsonrpc":"2.0","id":")" + long_text +
          R"("})",
      R"({"id":1,"result":{"tools":["e"]}})",
      R"({"result":1,"id":1,"result":{"tools":["later"]}})",
      R"({"a\"b":1,"result":[]})",
      R"({"error":{"result":{}},"id":1})",
      R"([{"result":{}}])",
      R"("result")",
  };
  for (const std::string& text : texts) {
    const Value value = parse_ok(text);
    const auto* object = value.if_object();
    const auto* expected = object ? object->if_contains("result") : nullptr;
    for (std::size_t min_borrowed : {std::size_t{1}, std::size_t{64 << 10}, SIZE_MAX}) {
      Relayed relayed;
      ASSERT_FALSE(relay(text, min_borrowed, relayed)) << text;
      const auto found = relayed.member_value("result");
      ASSERT_EQ(found.has_value(), expected != nullptr) << text.substr(0, 60);
      if (!found) continue;
      std::string joined;
      for (std::string_view span : *found) joined += span;
      EXPECT_TRUE(joined == to_text(*expected))
          << text.substr(0, 60) << " -> " << joined.substr(0, 60);
    }
  }
}

TEST(JsonRelay, OwnReaderAgreesWithBoostOnEdges) {
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

TEST(JsonRelay, OwnReaderAgreesWithBoostAroundEveryEscapeOffset) {
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

TEST(JsonRelay, OwnReaderAgreesWithBoostOnFaultsInLongStrings) {
  // From a string's first escape on, faults of \u escapes and UTF-8 stand
  // where a reader in windows of 256 or 4096 bytes (by architecture) meets
  // them: every offset around the ends of the first windows.
  const std::string_view faults[] = {
      R"(\udc00)", R"(\u12G4)",        R"(\ud800\u0041)", R"(\ud800x)", R"(\ud800\u12G4)",
      "\xc3\xa9",  "\xf0\x9f\x98\x80", "\xf0\x9f\x98(",   "\xe2\x82\"",
  };
  for (const std::size_t window : {std::size_t{256}, std::size_t{4096}}) {
    for (std::size_t before = window - 16; before < window + 4; ++before) {
      for (const std::string_view fault : faults) {
        const std::string text = "[\"\\n" + std::string(before - 2, 'a') + std::string(fault) +
                                 std::string(24, 'b') + "\"]";
        SCOPED_TRACE(before);
        expect_same_as_boost(text);
      }
    }
  }
}

TEST(JsonRelay, OwnReaderAgreesWithBoostOnMutatedMessages) {
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
