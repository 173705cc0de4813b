#include "controls/src/standin/control_configuration_file.h"

#include <boost/json.hpp>

#include <algorithm>
#include <array>
#include <optional>

namespace zorvs::controls {
namespace {

namespace json = boost::json;

using Decoded = std::variant<RunZorvIntent, ConfigurationError>;

ConfigurationError error(std::string message) {
  return {std::move(message)};
}

// The first key of `object` that is not among `known`, if any.
template <size_t N>
std::optional<std::string> unknownKey(const json::object& object,
                                      const std::array<std::string_view, N>& known) {
  for (const auto& member : object) {
    if (std::find(known.begin(), known.end(), member.key()) == known.end()) {
      return std::string(member.key());
    }
  }
  return std::nullopt;
}

// Reads property `key` of the stored pattern into `out`; a missing or null
// value is allowed only when `required` is false.
std::optional<ConfigurationError> readText(const json::object& zorv, std::string_view key,
                                           bool required, std::optional<std::string>& out) {
  const json::value* value = zorv.if_contains(key);
  if (value == nullptr || value->is_null()) {
    if (!required) return std::nullopt;
    return error("\"zorv\" has no \"" + std::string(key) + "\"");
  }
  if (!value->is_string()) return error("\"zorv\".\"" + std::string(key) + "\" is not a text");
  out = std::string(value->get_string());
  return std::nullopt;
}

Decoded decodeEntity(const json::object& zorv) {
  static constexpr std::array<std::string_view, 5> kKeys = {"identifier", "name", "subtitle",
                                                            "iconKind", "iconValue"};
  if (auto key = unknownKey(zorv, kKeys))
    return error("\"zorv\" has an unknown key \"" + *key + "\"");
  std::optional<std::string> identifier, name;
  ZorvEntity entity;
  for (auto problem :
       {readText(zorv, "identifier", true, identifier), readText(zorv, "name", true, name),
        readText(zorv, "subtitle", false, entity.subtitle),
        readText(zorv, "iconKind", false, entity.iconKind),
        readText(zorv, "iconValue", false, entity.iconValue)}) {
    if (problem) return *problem;
  }
  entity.identifier = std::move(*identifier);
  entity.name = std::move(*name);
  return RunZorvIntent{std::move(entity)};
}

}  // namespace

Decoded decodeControlConfiguration(std::string_view bytes) {
  json::error_code parseError;
  json::value document = json::parse(bytes, parseError);
  if (parseError) return error("not JSON: " + parseError.message());
  if (!document.is_object()) return error("not a JSON object");
  const json::object& root = document.get_object();
  static constexpr std::array<std::string_view, 1> kKeys = {"zorv"};
  if (auto key = unknownKey(root, kKeys)) return error("unknown key \"" + *key + "\"");
  const json::value* zorv = root.if_contains("zorv");
  if (zorv == nullptr || zorv->is_null()) return RunZorvIntent{};
  if (!zorv->is_object()) return error("\"zorv\" is neither null nor an object");
  return decodeEntity(zorv->get_object());
}

}  // namespace zorvs::controls
