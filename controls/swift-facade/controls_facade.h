// The controls logic as the Swift extension sees it: free functions over
// plain values (strings, vectors, optionals, plain structs and enums), so
// that Swift's C++ interoperability imports all of it. The Swift side finds
// the app-group container and hands its path in; everything the extension
// decides is decided here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "controls/src/zorv_control_value.h"
#include "controls/src/zorv_entity.h"
#include "controls/src/zorv_picture.h"
#include "controls/src/zorv_record.h"
#include "controls/src/zorv_tile_label.h"

namespace zorvs::controls::facade {

// Spelled out for Swift, which imports only specialised templates.
using OptionalString = std::optional<std::string>;
using OptionalEntity = std::optional<ZorvEntity>;
using Entities = std::vector<ZorvEntity>;

// The application group whose container holds the pattern index.
std::string appGroupIdentifier();

// The control's kind: the app identifier followed by ".controls.run-zorv".
std::string controlKind();

// Every pattern of the index in `container` (nothing: no container), in
// file order.
Entities suggestedEntities(const OptionalString& container);

// The patterns whose name or a category contains `text`, ignoring case.
Entities entitiesMatching(const OptionalString& container, const std::string& text);

// The tile's value for a control configured with `zorv` (nothing: not yet
// configured). A control without a pattern shows `placeholderName`, the
// placeholder text in the user's language.
ZorvControlValue controlValue(const OptionalString& container, const OptionalEntity& zorv,
                              const std::string& placeholderName);

// The tile's title and what its icon draws.
ZorvTileLabel tileLabel(const std::string& name, const ZorvIconDescriptor& icon);

// The URL a press opens for a control configured with `zorv`.
std::string runURL(const OptionalEntity& zorv);

}  // namespace zorvs::controls::facade
