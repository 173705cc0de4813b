#include "controls/src/zorv_index.h"

#include <algorithm>

#include "controls/src/unicode_text.h"
#include "controls/src/zorv_index_document.h"
#include "host_contract.h"

namespace zorvs::controls {

std::optional<std::filesystem::path> ZorvIndex::containerURL(const Platform& platform) {
  return platform.containerURL(host::kAppGroupIdentifier);
}

std::vector<ZorvRecord> ZorvIndex::records(const Platform& platform) {
  auto container = containerURL(platform);
  if (!container) return {};
  auto bytes = platform.readWholeFile(*container / host::kPatternIndexFileName);
  if (!bytes) return {};
  return decodeZorvIndexDocument(*bytes).value_or(std::vector<ZorvRecord>{});
}

std::optional<ZorvRecord> ZorvIndex::zorvWithID(const Platform& platform, std::string_view id) {
  std::vector<ZorvRecord> all = records(platform);
  auto found = std::find_if(all.begin(), all.end(), [id](const ZorvRecord& record) {
    return canonicallyEqual(record.id, id);
  });
  if (found == all.end()) return std::nullopt;
  return std::move(*found);
}

}  // namespace zorvs::controls
