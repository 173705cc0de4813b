// Decoding of the pattern index file that the host app writes.
//
// The file is one JSON object: {"version": 1, "zorvs": [record, ...]}, each
// record {"id": text, "name": text, "categories"?: [text], "kind"?: text,
// "icon"?: {"kind": text, "value": text}}. Optional keys may be absent or
// null; unknown keys are ignored anywhere. Any other deviation, in any
// record, makes the whole file unusable.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "controls/src/zorv_record.h"

namespace zorvs::controls {

// The only format version this reader understands.
inline constexpr int kZorvIndexVersion = 1;

// The records of a valid index in file order (duplicates kept), or nothing
// when the bytes are not a valid index of version 1.
std::optional<std::vector<ZorvRecord>> decodeZorvIndexDocument(std::string_view bytes);

}  // namespace zorvs::controls
