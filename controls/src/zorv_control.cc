#include "controls/src/zorv_control.h"

#include "host_contract.h"

namespace zorvs::controls {

std::string ZorvControl::kind() {
  return std::string(host::kAppIdentifier) + ".controls.run-zorv";
}

ZorvControlButton ZorvControl::body(const RunZorvIntent& configuration,
                                    const ContainerFiles& files) {
  ZorvControlValue value = zorvControlValue(configuration, files);
  ZorvTileLabel label = zorvTileLabel(value.name, value.icon);
  return {configuration, std::move(value), std::move(label)};
}

}  // namespace zorvs::controls
