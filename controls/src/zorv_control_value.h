// What the control's tile shows: the chosen pattern's current name and icon
// from the index, else the snapshot stored with the control, else the
// placeholder asking the user to choose a pattern.
#pragma once

#include <string>
#include <string_view>

#include "controls/src/zorv_record.h"

namespace zorvs::controls {

class ContainerFiles;
struct RunZorvIntent;

// Localizable text of the tile of a control without a pattern.
inline constexpr std::string_view kChooseAPatternText = "Choose a Pattern";

struct ZorvControlValue {
  std::string zorvID;  // empty when no pattern is chosen
  std::string name;
  ZorvIconDescriptor icon;

  // No pattern: "Choose a Pattern" with the fallback icon.
  static ZorvControlValue placeholder();

  bool operator==(const ZorvControlValue&) const = default;
};

// The tile's value for the control configured by `intent`. The index wins
// over the stored snapshot, so renames and new icons show at the next
// rendering; the snapshot covers a pattern the index no longer has.
ZorvControlValue zorvControlValue(const RunZorvIntent& intent, const ContainerFiles& files);

}  // namespace zorvs::controls
