#include "controls/src/zorv_index.h"

#include <algorithm>

#include "controls/src/unicode_text.h"
#include "controls/src/zorv_index_document.h"
#include "host_contract.h"

namespace zorvs::controls {

std::optional<std::filesystem::path> ZorvIndex::containerURL(const ContainerFiles& files) {
  return files.containerURL(host::kAppGroupIdentifier);
}

std::vector<ZorvRecord> ZorvIndex::records(const ContainerFiles& files) {
  auto container = containerURL(files);
  if (!container) return {};
  auto bytes = files.readWholeFile(*container / host::kPatternIndexFileName);
  if (!bytes) return {};
  return decodeZorvIndexDocument(*bytes).value_or(std::vector<ZorvRecord>{});
}

std::optional<ZorvRecord> ZorvIndex::zorvWithID(const ContainerFiles& files, std::string_view id) {
  std::vector<ZorvRecord> all = records(files);
  auto found = std::find_if(all.begin(), all.end(), [id](const ZorvRecord& record) {
    return canonicallyEqual(record.id, id);
  });
  if (found == all.end()) return std::nullopt;
  return std::move(*found);
}

}  // namespace zorvs::controls
