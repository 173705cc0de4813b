// The pattern index: the file "zorv-index.json" that the host app writes at
// the root of the app-group container, read afresh on every call so that a
// rewrite by the host shows at once. Nothing about it is ever reported: a
// missing container, a missing or unreadable file and an invalid document
// all look like an index without patterns.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "controls/src/platform.h"
#include "controls/src/zorv_record.h"

namespace zorvs::controls {

class ZorvIndex {
 public:
  ZorvIndex() = delete;

  // The app-group container, or nothing when the platform gives none.
  static std::optional<std::filesystem::path> containerURL(const ContainerFiles& files);

  // The records of a valid index in file order; empty in every other case.
  static std::vector<ZorvRecord> records(const ContainerFiles& files);

  // The first record, in file order, whose "id" is canonically equivalent to
  // `id`. No case folding, no trimming.
  static std::optional<ZorvRecord> zorvWithID(const ContainerFiles& files, std::string_view id);
};

}  // namespace zorvs::controls
