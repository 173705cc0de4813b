#include "controls/src/zorv_tile_label.h"

namespace zorvs::controls {
namespace {

ZorvPicture tilePicture(const ZorvIconDescriptor& icon) {
  if (icon.kind == kIconKindSystemSymbol) return {ZorvPicture::Kind::systemSymbol, icon.value};
  if (icon.kind == kIconKindEmoji) return {ZorvPicture::Kind::text, icon.value};
  if (icon.kind == kIconKindCustom) return {ZorvPicture::Kind::imageResource, icon.value};
  return {ZorvPicture::Kind::imageResource, std::string(kFallbackImageResource)};
}

}  // namespace

ZorvTileLabel zorvTileLabel(std::string_view name, const ZorvIconDescriptor& icon) {
  return {std::string(name), tilePicture(icon)};
}

}  // namespace zorvs::controls
