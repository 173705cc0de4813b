// The label on the control's tile: a title and an icon.
#pragma once

#include <string>
#include <string_view>

#include "controls/src/zorv_picture.h"
#include "controls/src/zorv_record.h"

namespace zorvs::controls {

struct ZorvTileLabel {
  std::string title;  // pattern data, shown verbatim
  ZorvPicture icon;

  bool operator==(const ZorvTileLabel&) const = default;
};

// Kinds are compared exactly: "sfsymbol" draws the named system symbol,
// "emoji" draws its value as text, "custom" draws the named image resource,
// and anything else the extension's own picture.
ZorvTileLabel zorvTileLabel(std::string_view name, const ZorvIconDescriptor& icon);

}  // namespace zorvs::controls
