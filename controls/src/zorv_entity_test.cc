#include "controls/src/zorv_entity.h"

#include <gtest/gtest.h>

namespace zorvs::controls {
namespace {

using Kind = ZorvPicture::Kind;

ZorvRecord record(std::optional<std::vector<std::string>> categories,
                  std::optional<ZorvIconDescriptor> icon) {
  return {"id-1", "Summarise", std::move(categories), "prompt", std::move(icon)};
}

TEST(ZorvEntity, FilledFromARecord) {
  ZorvEntity entity(record(std::vector<std::string>{"Writing", "Daily", "Work"},
                           ZorvIconDescriptor{"sfsymbol", "text.bubble"}));
  EXPECT_EQ(entity.identifier, "id-1");
  EXPECT_EQ(entity.name, "Summarise");
  EXPECT_EQ(entity.subtitle, "Writing");
  EXPECT_EQ(entity.iconKind, "sfsymbol");
  EXPECT_EQ(entity.iconValue, "text.bubble");
}

TEST(ZorvEntity, SubtitleIsTheFirstCategoryIfAny) {
  EXPECT_EQ(ZorvEntity(record(std::nullopt, std::nullopt)).subtitle, std::nullopt);
  EXPECT_EQ(ZorvEntity(record(std::vector<std::string>{}, std::nullopt)).subtitle, std::nullopt);
  EXPECT_EQ(ZorvEntity(record(std::vector<std::string>{"A", "B"}, std::nullopt)).subtitle, "A");
}

TEST(ZorvEntity, RecordWithoutIconGetsTheFallbackIcon) {
  ZorvEntity entity(record(std::nullopt, std::nullopt));
  EXPECT_EQ(entity.iconKind, "custom");
  EXPECT_EQ(entity.iconValue, "zorvs");
  EXPECT_EQ(entity.displayRepresentation().image, (ZorvPicture{Kind::imageResource, "zorvs"}));
}

TEST(ZorvEntity, PickerImageFollowsTheIconKind) {
  struct Case {
    std::optional<std::string> kind, value;
    ZorvPicture image;
  } cases[] = {
      {"sfsymbol", "star.fill", {Kind::systemSymbol, "star.fill"}},
      {"custom", "zorvs-mail", {Kind::imageResource, "zorvs-mail"}},
      {"custom", "not-in-the-bundle", {Kind::imageResource, "not-in-the-bundle"}},
      {"emoji", "\xf0\x9f\x9a\x80", {Kind::imageResource, "zorvs"}},  // never the emoji
      {"SFSymbol", "star.fill", {Kind::imageResource, "zorvs"}},
      {"Custom", "zorvs-mail", {Kind::imageResource, "zorvs"}},
      {"", "", {Kind::imageResource, "zorvs"}},
      // Rebuilt from a stored configuration with half an icon.
      {"sfsymbol", std::nullopt, {Kind::imageResource, "zorvs"}},
      {std::nullopt, "star.fill", {Kind::imageResource, "zorvs"}},
      {std::nullopt, std::nullopt, {Kind::imageResource, "zorvs"}},
  };
  for (const Case& c : cases) {
    ZorvEntity entity;
    entity.name = "N";
    entity.iconKind = c.kind;
    entity.iconValue = c.value;
    EXPECT_EQ(entity.displayRepresentation().image, c.image)
        << c.kind.value_or("(none)") << " " << c.value.value_or("(none)");
  }
}

TEST(ZorvEntity, DisplayRepresentationShowsNameAndSubtitleVerbatim) {
  ZorvEntity entity(record(std::vector<std::string>{"Run Pattern"}, std::nullopt));
  entity.name = "Choose a Pattern";
  EXPECT_EQ(entity.displayRepresentation(),
            (ZorvDisplayRepresentation{
                "Choose a Pattern", "Run Pattern", {Kind::imageResource, "zorvs"}}));
  ZorvEntity bare;
  EXPECT_EQ(bare.displayRepresentation().subtitle, std::nullopt);
}

}  // namespace
}  // namespace zorvs::controls
