#include "controls/src/standin/controls_json.h"

#include <boost/json.hpp>

namespace zorvs::controls {
namespace {

namespace json = boost::json;

json::value optionalText(const std::optional<std::string>& text) {
  if (!text) return nullptr;
  return json::value(*text);
}

std::string_view pictureKey(ZorvPicture::Kind kind) {
  switch (kind) {
    case ZorvPicture::Kind::systemSymbol:
      return "systemSymbol";
    case ZorvPicture::Kind::imageResource:
      return "imageResource";
    case ZorvPicture::Kind::text:
      return "text";
  }
  return "imageResource";
}

json::value toJson(const ZorvDisplayRepresentation& representation) {
  return json::object{{"title", representation.title},
                      {"subtitle", optionalText(representation.subtitle)},
                      {"image", toJson(representation.image)}};
}

json::value toJson(const ZorvIconDescriptor& icon) {
  return json::object{{"kind", icon.kind}, {"value", icon.value}};
}

}  // namespace

json::value toJson(const ZorvPicture& picture) {
  return json::object{{pictureKey(picture.kind), picture.value}};
}

json::value toJson(const ZorvEntity& entity) {
  return json::object{{"identifier", entity.identifier},
                      {"name", entity.name},
                      {"subtitle", optionalText(entity.subtitle)},
                      {"iconKind", optionalText(entity.iconKind)},
                      {"iconValue", optionalText(entity.iconValue)},
                      {"displayRepresentation", toJson(entity.displayRepresentation())}};
}

json::value toJson(const ZorvControlButton& button) {
  const ZorvControlValue& value = button.value;
  return json::object{
      {"value",
       json::object{{"zorvID", value.zorvID}, {"name", value.name}, {"icon", toJson(value.icon)}}},
      {"label", json::object{{"title", button.label.title}, {"icon", toJson(button.label.icon)}}}};
}

}  // namespace zorvs::controls
