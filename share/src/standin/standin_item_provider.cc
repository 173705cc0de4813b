#include "share/src/standin/standin_item_provider.h"

#include "share/src/standin/type_conformance.h"

namespace zorvs::share::standin {

bool StandinItemProvider::has_item_conforming_to(std::string_view type_identifier) const {
  for (const std::string& type : conforms_) {
    if (type_conforms_to(type, type_identifier)) return true;
  }
  return false;
}

void StandinItemProvider::load_item(std::string_view type_identifier, Completion<LoadedItem> done) {
  threads_.deliver(std::move(done), item_for(type_identifier));
}

LoadedItem StandinItemProvider::item_for(std::string_view type_identifier) const {
  for (const Representation& representation : representations_) {
    if (representation.type_identifier == type_identifier) return representation.item;
  }
  for (const Representation& representation : representations_) {
    if (type_conforms_to(representation.type_identifier, type_identifier))
      return representation.item;
  }
  return LoadError{"no representation conforms to " + std::string(type_identifier)};
}

}  // namespace zorvs::share::standin
