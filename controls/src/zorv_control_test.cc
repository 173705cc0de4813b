#include "controls/src/zorv_control.h"

#include <gtest/gtest.h>

#include "controls/src/testing/fake_platform.h"
#include "host_contract.h"

namespace zorvs::controls {
namespace {

using Kind = ZorvPicture::Kind;

// The snapshot stored with a control when the pattern was chosen.
RunZorvIntent configured(std::string identifier, std::string name,
                         std::optional<std::string> iconKind,
                         std::optional<std::string> iconValue) {
  ZorvEntity entity;
  entity.identifier = std::move(identifier);
  entity.name = std::move(name);
  entity.iconKind = std::move(iconKind);
  entity.iconValue = std::move(iconValue);
  return RunZorvIntent{entity};
}

class ZorvControlValueTest : public ::testing::Test {
 protected:
  FakePlatform platform;
};

TEST_F(ZorvControlValueTest, UnconfiguredControlShowsThePlaceholder) {
  platform.writeIndex(FakePlatform::indexOf({R"({"id":"","name":"Empty id"})"}));
  ZorvControlValue expected{"", "Choose a Pattern", {"custom", "zorvs"}};
  EXPECT_EQ(zorvControlValue(RunZorvIntent{}, platform), expected);
  EXPECT_EQ(ZorvControlValue::placeholder(), expected);
}

TEST_F(ZorvControlValueTest, IndexWinsThenSnapshotThenFallbackIcon) {
  platform.writeIndex(FakePlatform::indexOf({
      R"({"id":"renamed","name":"New name","icon":{"kind":"emoji","value":"N"}})",
      R"({"id":"lost-icon","name":"Lost icon"})",
      R"({"id":"caf\u00e9","name":"Composed"})",
      R"({"id":"dup","name":"First"})",
      R"({"id":"dup","name":"Second"})",
  }));
  struct Case {
    std::string label;
    RunZorvIntent intent;
    ZorvControlValue value;
  } cases[] = {
      {"renamed in the index",
       configured("renamed", "Old name", "sfsymbol", "star"),
       {"renamed", "New name", {"emoji", "N"}}},
      {"icon dropped from the index",
       configured("lost-icon", "Lost icon", "sfsymbol", "star"),
       {"lost-icon", "Lost icon", {"custom", "zorvs"}}},
      {"equivalent id, own id kept",
       configured("cafe\xcc\x81", "Old", "emoji", "E"),
       {"cafe\xcc\x81", "Composed", {"custom", "zorvs"}}},
      {"first of duplicates",
       configured("dup", "Stored", std::nullopt, std::nullopt),
       {"dup", "First", {"custom", "zorvs"}}},
      {"removed: snapshot",
       configured("removed", "Stored name", "sfsymbol", "star"),
       {"removed", "Stored name", {"sfsymbol", "star"}}},
      {"removed, other case",
       configured("RENAMED", "Stored", "emoji", "S"),
       {"RENAMED", "Stored", {"emoji", "S"}}},
      {"removed, kind without value",
       configured("removed", "Stored", "sfsymbol", std::nullopt),
       {"removed", "Stored", {"custom", "zorvs"}}},
      {"removed, value without kind",
       configured("removed", "Stored", std::nullopt, "star"),
       {"removed", "Stored", {"custom", "zorvs"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(zorvControlValue(c.intent, platform), c.value) << c.label;
}

TEST_F(ZorvControlValueTest, MissingOrInvalidIndexShowsEverySnapshot) {
  RunZorvIntent intent = configured("p1", "Stored", "emoji", "S");
  ZorvControlValue snapshot{"p1", "Stored", {"emoji", "S"}};
  EXPECT_EQ(zorvControlValue(intent, platform), snapshot);
  platform.writeIndex(R"({"version":1,"zorvs":[{"id":"p1","name":"Fresh","icon":{"kind":"x"}}]})");
  EXPECT_EQ(zorvControlValue(intent, platform), snapshot);
  platform.container.reset();
  EXPECT_EQ(zorvControlValue(intent, platform), snapshot);
}

TEST(ZorvTileLabel, IconKindDecidesWhatIsDrawn) {
  struct Case {
    ZorvIconDescriptor icon;
    ZorvPicture drawn;
  } cases[] = {
      {{"sfsymbol", "bolt.fill"}, {Kind::systemSymbol, "bolt.fill"}},
      {{"emoji", "\xf0\x9f\x9a\x80"}, {Kind::text, "\xf0\x9f\x9a\x80"}},
      {{"custom", "zorvs"}, {Kind::imageResource, "zorvs"}},
      {{"custom", "missing-resource"}, {Kind::imageResource, "missing-resource"}},
      {{"SFSymbol", "bolt.fill"}, {Kind::imageResource, "zorvs"}},
      {{"Emoji", "x"}, {Kind::imageResource, "zorvs"}},
      {{"sticker", "cat"}, {Kind::imageResource, "zorvs"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(zorvTileLabel("Pattern name", c.icon), (ZorvTileLabel{"Pattern name", c.drawn}))
        << c.icon.kind;
  }
}

TEST(ZorvControl, ButtonRunsTheConfigurationAndShowsItsValue) {
  FakePlatform platform;
  platform.writeIndex(
      FakePlatform::indexOf({R"({"id":"p1","name":"Fresh","icon":{"kind":"emoji","value":"F"}})"}));
  RunZorvIntent intent = configured("p1", "Stored", "sfsymbol", "star");
  ZorvControlButton button = ZorvControl::body(intent, platform);
  EXPECT_EQ(button.action.runURL(), "zorvs://run?id=p1");
  EXPECT_EQ(button.value, (ZorvControlValue{"p1", "Fresh", {"emoji", "F"}}));
  EXPECT_EQ(button.label, (ZorvTileLabel{"Fresh", {Kind::text, "F"}}));
  EXPECT_EQ(ZorvControl::body(RunZorvIntent{}, platform).label,
            (ZorvTileLabel{"Choose a Pattern", {Kind::imageResource, "zorvs"}}));
  EXPECT_EQ(ZorvControl::kind(), std::string(host::kAppIdentifier) + ".controls.run-zorv");
}

}  // namespace
}  // namespace zorvs::controls
