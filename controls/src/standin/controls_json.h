// The values of the controls extension as JSON, for the stand-in's output.
// Field names are those of the types themselves.
#pragma once

#include <boost/json/value.hpp>

#include "controls/src/zorv_control.h"
#include "controls/src/zorv_entity.h"
#include "controls/src/zorv_picture.h"

namespace zorvs::controls {

// {"systemSymbol": name}, {"imageResource": name} or {"text": text}.
boost::json::value toJson(const ZorvPicture& picture);

// The five properties (missing ones as null) and "displayRepresentation".
boost::json::value toJson(const ZorvEntity& entity);

// {"value": {"zorvID", "name", "icon": {"kind", "value"}},
//  "label": {"title", "icon": picture}}.
boost::json::value toJson(const ZorvControlButton& button);

}  // namespace zorvs::controls
