#include "controls/src/zorv_index_document.h"

#include <gtest/gtest.h>

namespace zorvs::controls {
namespace {

constexpr std::string_view kGood = R"({"id":"a","name":"Alpha"})";

std::string index(std::string_view records, std::string_view version = "1") {
  return std::string(R"({"version":)") + std::string(version) + R"(,"zorvs":[)" +
         std::string(records) + "]}";
}

struct InvalidCase {
  std::string label;
  std::string document;
};

TEST(ZorvIndexDocument, EveryDeviationInvalidatesTheWholeFile) {
  const std::string good(kGood);
  const std::vector<InvalidCase> cases = {
      {"empty file", ""},
      {"not JSON", "zorvs"},
      {"truncated", index(good).substr(0, 20)},
      {"trailing garbage", index(good) + "x"},
      {"root is an array", "[" + index(good) + "]"},
      {"version 2", index(good, "2")},
      {"version 0", index(good, "0")},
      {"version as a string", index(good, R"("1")")},
      {"version as a fraction", index(good, "1.5")},
      {"version as a boolean", index(good, "true")},
      {"version null", index(good, "null")},
      {"no version", R"({"zorvs":[]})"},
      {"no zorvs", R"({"version":1})"},
      {"zorvs null", R"({"version":1,"zorvs":null})"},
      {"zorvs an object", R"({"version":1,"zorvs":{}})"},
      {"record not an object", index(good + R"(,"b")")},
      {"record null", index(good + ",null")},
      {"one record without name", index(good + R"(,{"id":"b"},)" + good)},
      {"name null", index(R"({"id":"a","name":null})")},
      {"id a number", index(R"({"id":7,"name":"Seven"})")},
      {"no id", index(R"({"name":"Alpha"})")},
      {"categories a string", index(R"({"id":"a","name":"A","categories":"x"})")},
      {"a null category", index(R"({"id":"a","name":"A","categories":["x",null]})")},
      {"a numeric category", index(R"({"id":"a","name":"A","categories":[1]})")},
      {"kind a number", index(R"({"id":"a","name":"A","kind":3})")},
      {"icon a string", index(R"({"id":"a","name":"A","icon":"star"})")},
      {"icon without value", index(R"({"id":"a","name":"A","icon":{"kind":"emoji"}})")},
      {"icon value null", index(R"({"id":"a","name":"A","icon":{"kind":"emoji","value":null}})")},
      {"icon without kind", index(R"({"id":"a","name":"A","icon":{"value":"star"}})")},
      {"icon kind an array", index(R"({"id":"a","name":"A","icon":{"kind":[],"value":"x"}})")},
      {"keys in other case", R"({"Version":1,"Zorvs":[]})"},
      {"record keys in other case", index(R"({"ID":"a","Name":"A"})")},
      {"ill-formed UTF-8", index("{\"id\":\"a\",\"name\":\"\xff\"}")},
      {"comment", "// patterns\n" + index(good)},
  };
  for (const InvalidCase& c : cases) {
    EXPECT_EQ(decodeZorvIndexDocument(c.document), std::nullopt) << c.label;
  }
}

TEST(ZorvIndexDocument, EmptyArrayIsAValidIndexWithoutPatterns) {
  auto records = decodeZorvIndexDocument(R"({"version":1,"zorvs":[]})");
  ASSERT_TRUE(records);
  EXPECT_TRUE(records->empty());
}

TEST(ZorvIndexDocument, NullMeansAbsentForOptionalKeys) {
  auto records = decodeZorvIndexDocument(
      index(R"({"id":"a","name":"A","categories":null,"kind":null,"icon":null},)"
            R"({"id":"b","name":"B"})"));
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 2u);
  for (const ZorvRecord& record : *records) {
    EXPECT_EQ(record.categories, std::nullopt);
    EXPECT_EQ(record.kind, std::nullopt);
    EXPECT_EQ(record.icon, std::nullopt);
  }
}

TEST(ZorvIndexDocument, KeepsEveryFieldFileOrderAndDuplicates) {
  auto records = decodeZorvIndexDocument(index(
      R"({"id":"x 1","name":"Summarise","categories":["Writing","Daily"],"kind":"prompt",)"
      R"("icon":{"kind":"sfsymbol","value":"text.bubble"}},)"
      R"({"id":"x 1","name":"Second","categories":[]},)"
      R"({"id":"caf\u00e9 \ud83d\ude00","name":"Emoji","icon":{"kind":"Whatever","value":""}})"));
  ASSERT_TRUE(records);
  const std::vector<ZorvRecord> expected = {
      {"x 1", "Summarise", std::vector<std::string>{"Writing", "Daily"}, "prompt",
       ZorvIconDescriptor{"sfsymbol", "text.bubble"}},
      {"x 1", "Second", std::vector<std::string>{}, std::nullopt, std::nullopt},
      {"caf\xc3\xa9 \xf0\x9f\x98\x80", "Emoji", std::nullopt, std::nullopt,
       ZorvIconDescriptor{"Whatever", ""}},
  };
  EXPECT_EQ(*records, expected);
}

TEST(ZorvIndexDocument, IgnoresUnknownKeysEverywhere) {
  std::string deep(200, '[');
  deep += std::string(200, ']');
  auto records =
      decodeZorvIndexDocument(R"({"version":1,"writer":{"app":"Zorvs","nested":)" + deep +
                              R"(},"zorvs":[)"
                              R"({"id":"a","name":"A","content":"secret","pinned":true,)"
                              R"("icon":{"kind":"emoji","value":"\u2728","tint":"#ff0000"}}]})");
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 1u);
  EXPECT_EQ(records->front().icon, (ZorvIconDescriptor{"emoji", "\xe2\x9c\xa8"}));
}

TEST(ZorvIndexDocument, AcceptsVersionOneInAnyIntegerSpellingAndAByteOrderMark) {
  for (std::string_view version : {"1", "1.0", "1e0", "10e-1"}) {
    EXPECT_TRUE(decodeZorvIndexDocument(index(kGood, version))) << version;
  }
  EXPECT_TRUE(decodeZorvIndexDocument("\xEF\xBB\xBF" + index(kGood)));
  EXPECT_TRUE(decodeZorvIndexDocument(" \n\t" + index(kGood) + "\r\n"));
}

}  // namespace
}  // namespace zorvs::controls
