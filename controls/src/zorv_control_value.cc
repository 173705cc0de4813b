#include "controls/src/zorv_control_value.h"

#include "controls/src/platform.h"
#include "controls/src/run_zorv_intent.h"
#include "controls/src/zorv_index.h"

namespace zorvs::controls {

ZorvControlValue ZorvControlValue::placeholder() {
  return {"", std::string(kChooseAPatternText), ZorvIconDescriptor::fallback()};
}

ZorvControlValue zorvControlValue(const RunZorvIntent& intent, const ContainerFiles& files) {
  if (!intent.zorv) return ZorvControlValue::placeholder();
  const ZorvEntity& entity = *intent.zorv;
  if (auto record = ZorvIndex::zorvWithID(files, entity.identifier)) {
    return {entity.identifier, record->name, record->icon.value_or(ZorvIconDescriptor::fallback())};
  }
  return {entity.identifier, entity.name, entity.storedIcon()};
}

}  // namespace zorvs::controls
