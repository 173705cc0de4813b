// One pattern as the platform's intent system sees it. The platform keeps the
// whole value with the control's configuration, so it is a snapshot of the
// index record at the time the user chose it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "controls/src/zorv_picture.h"
#include "controls/src/zorv_record.h"

namespace zorvs::controls {

// A property of the entity and the title the intent editors show for it.
struct ZorvEntityPropertyTitle {
  std::string_view property;
  std::string_view title;
};

// Title, optional subtitle and image of an entity in the picker and the
// intent editors. Title and subtitle are pattern data, shown verbatim.
struct ZorvDisplayRepresentation {
  std::string title;
  std::optional<std::string> subtitle;
  ZorvPicture image;

  bool operator==(const ZorvDisplayRepresentation&) const = default;
};

struct ZorvEntity {
  // The five properties in order, with their localizable titles.
  static constexpr std::array<ZorvEntityPropertyTitle, 5> kPropertyTitles = {{
      {"identifier", "Identifier"},
      {"name", "Pattern Name"},
      {"subtitle", "Subtitle"},
      {"iconKind", "Icon Kind"},
      {"iconValue", "Icon Value"},
  }};

  std::string identifier;
  std::string name;
  std::optional<std::string> subtitle;
  // Always set for an entity made from a record; an entity the platform
  // rebuilds from a stored configuration may lack either.
  std::optional<std::string> iconKind;
  std::optional<std::string> iconValue;

  // No values; the platform fills them in when it rebuilds a stored entity.
  ZorvEntity() = default;
  // Subtitle is the first category; a record without icon gets the fallback.
  explicit ZorvEntity(const ZorvRecord& record);

  // The stored icon pair when both halves are there, else the fallback icon.
  ZorvIconDescriptor storedIcon() const;

  ZorvDisplayRepresentation displayRepresentation() const;

  // The name of the entity type in the intent editors (localizable).
  static constexpr std::string_view typeDisplayRepresentation() { return "Pattern"; }

  bool operator==(const ZorvEntity&) const = default;
};

// How the picker draws an icon: system symbols and image resources as named,
// every other kind (emoji included) as the extension's own picture.
ZorvPicture pickerPicture(const ZorvIconDescriptor& icon);

}  // namespace zorvs::controls
