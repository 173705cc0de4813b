#include "controls/src/zorv_entity_query.h"

#include <algorithm>

#include "controls/src/unicode_text.h"
#include "controls/src/zorv_index.h"

namespace zorvs::controls {
namespace {

// Both sides are lowercased forms in canonical composition, so a byte-wise
// substring test treats canonically equivalent texts alike.
bool containsLowercased(std::string_view text, const std::string& lowercasedNeedle) {
  return lowercasedForm(text).find(lowercasedNeedle) != std::string::npos;
}

bool matches(const ZorvRecord& record, const std::string& lowercasedNeedle) {
  if (containsLowercased(record.name, lowercasedNeedle)) return true;
  if (!record.categories) return false;
  return std::any_of(
      record.categories->begin(), record.categories->end(),
      [&](const std::string& category) { return containsLowercased(category, lowercasedNeedle); });
}

}  // namespace

std::vector<ZorvEntity> ZorvEntityQuery::entitiesFor(const std::vector<std::string>&) const {
  return {};
}

std::vector<ZorvEntity> ZorvEntityQuery::suggestedEntities(const ContainerFiles& files) const {
  std::vector<ZorvEntity> entities;
  for (const ZorvRecord& record : ZorvIndex::records(files)) entities.emplace_back(record);
  return entities;
}

std::vector<ZorvEntity> ZorvEntityQuery::entitiesMatching(const ContainerFiles& files,
                                                          std::string_view text) const {
  std::string needle = lowercasedForm(text);
  if (needle.empty()) return suggestedEntities(files);
  std::vector<ZorvEntity> entities;
  for (const ZorvRecord& record : ZorvIndex::records(files)) {
    if (matches(record, needle)) entities.emplace_back(record);
  }
  return entities;
}

}  // namespace zorvs::controls
