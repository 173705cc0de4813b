// The stored configuration of one placed control, as a JSON file that stands
// for what the platform keeps: {"zorv": null} for a control never
// configured, or {"zorv": {"identifier": text, "name": text, "subtitle"?:
// text, "iconKind"?: text, "iconValue"?: text}} for the chosen pattern's
// snapshot. Optional properties may be missing or null.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "controls/src/run_zorv_intent.h"

namespace zorvs::controls {

// Why a configuration file was refused, in words for the user.
struct ConfigurationError {
  std::string message;
};

// The configured intent, or what is wrong with the text. Unknown keys are
// refused so that a misspelt key does not pass as an unconfigured control.
std::variant<RunZorvIntent, ConfigurationError> decodeControlConfiguration(std::string_view bytes);

}  // namespace zorvs::controls
