#include "controls/src/zorv_entity_query.h"

#include <gtest/gtest.h>

#include "controls/src/testing/fake_platform.h"

namespace zorvs::controls {
namespace {

std::vector<std::string> identifiers(const std::vector<ZorvEntity>& entities) {
  std::vector<std::string> ids;
  for (const ZorvEntity& entity : entities) ids.push_back(entity.identifier);
  return ids;
}

class ZorvEntityQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.writeIndex(FakePlatform::indexOf({
        R"({"id":"p1","name":"Summarise article","categories":["Reading"],"kind":"prompt"})",
        R"({"id":"p2","name":"Translate","categories":["Language","Travel","Holiday planning"]})",
        R"({"id":"p3","name":"Daily standup","kind":"workflow","icon":{"kind":"emoji","value":"x"}})",
        R"({"id":"p4","name":"Caf\u00e9 finder","categories":null})",
        R"({"id":"p5","name":"\u0130stanbul trip","categories":["Travel"]})",
        R"({"id":"p6","name":"ΣΟΦΙΑ notes","categories":[]})",
    }));
  }

  std::vector<std::string> search(std::string_view text) {
    return identifiers(query.entitiesMatching(platform, text));
  }

  FakePlatform platform;
  ZorvEntityQuery query;
};

TEST_F(ZorvEntityQueryTest, SuggestsEveryPatternInFileOrder) {
  auto entities = query.suggestedEntities(platform);
  EXPECT_EQ(identifiers(entities), (std::vector<std::string>{"p1", "p2", "p3", "p4", "p5", "p6"}));
  EXPECT_EQ(entities[1].subtitle, "Language");
  EXPECT_EQ(entities[2].iconKind, "emoji");
  EXPECT_EQ(entities[3].iconValue, "zorvs");
}

TEST_F(ZorvEntityQueryTest, SearchesNamesAndCategoriesIgnoringCase) {
  using Ids = std::vector<std::string>;
  struct Case {
    std::string_view text;
    Ids found;
  } cases[] = {
      {"", {"p1", "p2", "p3", "p4", "p5", "p6"}},
      {"SUMMAR", {"p1"}},  // capitals, inside a longer word
      {"standUp", {"p3"}},
      {"planning", {"p2"}},                         // only the third category, found once
      {"travel", {"p2", "p5"}},                     // file order
      {"a", {"p1", "p2", "p3", "p4", "p5"}},        // not the Greek alpha of p6
      {" ", {"p1", "p2", "p3", "p4", "p5", "p6"}},  // spaces are searched for
      {"   ", {}},
      {"p1", {}},      // never the id
      {"prompt", {}},  // nor the kind
      {"workflow", {}},
      {"emoji", {}},             // nor the icon
      {"CAF\xc3\x89", {"p4"}},   // É lowercases to é
      {"cafe\xcc\x81", {"p4"}},  // canonically equivalent to café
      {"cafe", {}},
      {"i\xcc\x87stanbul", {"p5"}},  // İ lowercases to i with a dot above
      {"\xcf\x83\xce\xbf\xcf\x86", {"p6"}},
      {"zzz", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(search(c.text), c.found) << "'" << c.text << "'";
}

TEST_F(ZorvEntityQueryTest, InvalidIndexGivesNothingAnywhere) {
  platform.writeIndex(FakePlatform::indexOf({R"({"id":"a","name":"Alpha"})", R"({"id":"b"})"}));
  EXPECT_TRUE(query.suggestedEntities(platform).empty());
  EXPECT_TRUE(query.entitiesMatching(platform, "").empty());
  EXPECT_TRUE(query.entitiesMatching(platform, "alpha").empty());
}

TEST_F(ZorvEntityQueryTest, NeverResolvesIdentifiers) {
  auto suggested = query.suggestedEntities(platform);
  EXPECT_TRUE(query.entitiesFor({}).empty());
  EXPECT_TRUE(
      query
          .entitiesFor({"p1", suggested.front().identifier, "8F14E45F-CEEA-467F-A0E6-1B8B6F0A3C6D"})
          .empty());
}

}  // namespace
}  // namespace zorvs::controls
