#include "controls/src/zorv_entity.h"

namespace zorvs::controls {

ZorvEntity::ZorvEntity(const ZorvRecord& record) : identifier(record.id), name(record.name) {
  if (record.categories && !record.categories->empty()) subtitle = record.categories->front();
  ZorvIconDescriptor icon = record.icon.value_or(ZorvIconDescriptor::fallback());
  iconKind = std::move(icon.kind);
  iconValue = std::move(icon.value);
}

ZorvIconDescriptor ZorvEntity::storedIcon() const {
  if (!iconKind || !iconValue) return ZorvIconDescriptor::fallback();
  return {*iconKind, *iconValue};
}

ZorvDisplayRepresentation ZorvEntity::displayRepresentation() const {
  return {name, subtitle, pickerPicture(storedIcon())};
}

ZorvPicture pickerPicture(const ZorvIconDescriptor& icon) {
  if (icon.kind == kIconKindSystemSymbol) return {ZorvPicture::Kind::systemSymbol, icon.value};
  if (icon.kind == kIconKindCustom) return {ZorvPicture::Kind::imageResource, icon.value};
  return {ZorvPicture::Kind::imageResource, std::string(kFallbackImageResource)};
}

}  // namespace zorvs::controls
