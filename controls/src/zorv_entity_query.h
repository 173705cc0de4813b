// Fills and searches the platform's pattern picker from the index. Holds no
// state: every call reads the index anew.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "controls/src/platform.h"
#include "controls/src/zorv_entity.h"

namespace zorvs::controls {

class ZorvEntityQuery {
 public:
  // Always empty: a chosen pattern is kept by value by the platform and is
  // never looked up again by its platform-assigned identifier.
  std::vector<ZorvEntity> entitiesFor(const std::vector<std::string>& identifiers) const;

  // Every pattern of the index, in file order.
  std::vector<ZorvEntity> suggestedEntities(const ContainerFiles& files) const;

  // The patterns whose name or any category contains the search text,
  // ignoring letter case, in file order. The empty text matches everything;
  // a text of spaces is searched for like any other.
  std::vector<ZorvEntity> entitiesMatching(const ContainerFiles& files,
                                           std::string_view text) const;
};

}  // namespace zorvs::controls
