#include "controls/src/zorv_index.h"

#include <gtest/gtest.h>

#include "controls/src/testing/fake_platform.h"
#include "host_contract.h"

namespace zorvs::controls {
namespace {

class ZorvIndexTest : public ::testing::Test {
 protected:
  FakePlatform platform;
};

TEST_F(ZorvIndexTest, ReadsOnlyTheIndexFileOfTheAppGroupContainer) {
  platform.writeIndex(FakePlatform::indexOf({R"({"id":"a","name":"Alpha"})"}));
  EXPECT_EQ(ZorvIndex::containerURL(platform), platform.container);
  ASSERT_EQ(ZorvIndex::records(platform).size(), 1u);
  for (const std::string& group : platform.askedGroups) {
    EXPECT_EQ(group, host::kAppGroupIdentifier);
  }
  EXPECT_EQ(platform.readPaths,
            std::vector<std::filesystem::path>{"/containers/group/zorv-index.json"});
}

TEST_F(ZorvIndexTest, NoContainerNoFileOrInvalidFileMeansNoPatterns) {
  EXPECT_TRUE(ZorvIndex::records(platform).empty());
  EXPECT_EQ(ZorvIndex::zorvWithID(platform, "a"), std::nullopt);

  platform.writeIndex(R"({"version":2,"zorvs":[{"id":"a","name":"Alpha"}]})");
  EXPECT_TRUE(ZorvIndex::records(platform).empty());
  EXPECT_EQ(ZorvIndex::zorvWithID(platform, "a"), std::nullopt);

  platform.writeIndex(FakePlatform::indexOf({R"({"id":"a","name":"Alpha"})"}));
  platform.container.reset();
  size_t readsBefore = platform.readPaths.size();
  EXPECT_TRUE(ZorvIndex::records(platform).empty());
  EXPECT_EQ(ZorvIndex::containerURL(platform), std::nullopt);
  EXPECT_EQ(platform.readPaths.size(), readsBefore) << "nothing is read without a container";
}

TEST_F(ZorvIndexTest, ReadsTheFileAfreshOnEveryCall) {
  platform.writeIndex(FakePlatform::indexOf({R"({"id":"a","name":"Old"})"}));
  EXPECT_EQ(ZorvIndex::zorvWithID(platform, "a")->name, "Old");
  platform.writeIndex(FakePlatform::indexOf({R"({"id":"a","name":"New"})"}));
  EXPECT_EQ(ZorvIndex::zorvWithID(platform, "a")->name, "New");
  platform.writeIndex("{\"version\":1,\"zorvs\":[{\"id\":\"a\",");  // being rewritten
  EXPECT_EQ(ZorvIndex::zorvWithID(platform, "a"), std::nullopt);
  EXPECT_EQ(platform.readPaths.size(), 3u);
}

TEST_F(ZorvIndexTest, LookupIsExactUpToCanonicalEquivalenceAndTakesTheFirst) {
  platform.writeIndex(FakePlatform::indexOf({
      R"({"id":"Daily","name":"First daily"})",
      R"({"id":"Daily","name":"Second daily"})",
      R"({"id":"caf\u00e9","name":"Composed"})",
      R"({"id":"42","name":"Number"})",
      R"({"id":"","name":"Empty"})",
  }));
  struct Case {
    std::string_view id;
    std::optional<std::string_view> name;
  } cases[] = {
      {"Daily", "First daily"}, {"daily", std::nullopt},
      {"DAILY", std::nullopt},  {" Daily", std::nullopt},
      {"Daily ", std::nullopt}, {"cafe\xcc\x81", "Composed"},  // decomposed form of the stored id
      {"cafe", std::nullopt},   {"042", std::nullopt},
      {"42.0", std::nullopt},   {"", "Empty"},
  };
  for (const Case& c : cases) {
    auto record = ZorvIndex::zorvWithID(platform, c.id);
    if (c.name) {
      ASSERT_TRUE(record) << c.id;
      EXPECT_EQ(record->name, *c.name) << c.id;
    } else {
      EXPECT_EQ(record, std::nullopt) << c.id;
    }
  }
}

}  // namespace
}  // namespace zorvs::controls
