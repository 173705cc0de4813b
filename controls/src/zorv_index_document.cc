#include "controls/src/zorv_index_document.h"

#include <boost/json.hpp>

#include <cmath>

namespace zorvs::controls {
namespace {

namespace json = boost::json;

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Unknown keys may hold deeply nested values; they are ignored, but the
// parser must get through them.
constexpr std::size_t kMaxNestingDepth = 512;

std::optional<std::string> decodeString(const json::value& value) {
  if (!value.is_string()) return std::nullopt;
  return std::string(value.get_string());
}

std::optional<std::vector<std::string>> decodeStrings(const json::value& value) {
  if (!value.is_array()) return std::nullopt;
  std::vector<std::string> strings;
  for (const json::value& element : value.get_array()) {
    auto text = decodeString(element);
    if (!text) return std::nullopt;
    strings.push_back(std::move(*text));
  }
  return strings;
}

// A required key must be present, not null, and decode.
template <typename T, typename Decode>
bool decodeRequired(const json::object& object, std::string_view key, Decode decode, T& out) {
  const json::value* value = object.if_contains(key);
  if (value == nullptr) return false;
  auto decoded = decode(*value);
  if (!decoded) return false;
  out = std::move(*decoded);
  return true;
}

// An optional key that is absent or null leaves `out` empty; any other value
// must decode.
template <typename T, typename Decode>
bool decodeOptional(const json::object& object, std::string_view key, Decode decode,
                    std::optional<T>& out) {
  const json::value* value = object.if_contains(key);
  if (value == nullptr || value->is_null()) return true;
  out = decode(*value);
  return out.has_value();
}

std::optional<ZorvIconDescriptor> decodeIcon(const json::value& value) {
  if (!value.is_object()) return std::nullopt;
  const json::object& object = value.get_object();
  ZorvIconDescriptor icon;
  if (!decodeRequired(object, "kind", decodeString, icon.kind) ||
      !decodeRequired(object, "value", decodeString, icon.value)) {
    return std::nullopt;
  }
  return icon;
}

std::optional<ZorvRecord> decodeRecord(const json::value& value) {
  if (!value.is_object()) return std::nullopt;
  const json::object& object = value.get_object();
  ZorvRecord record;
  if (!decodeRequired(object, "id", decodeString, record.id) ||
      !decodeRequired(object, "name", decodeString, record.name) ||
      !decodeOptional(object, "categories", decodeStrings, record.categories) ||
      !decodeOptional(object, "kind", decodeString, record.kind) ||
      !decodeOptional(object, "icon", decodeIcon, record.icon)) {
    return std::nullopt;
  }
  return record;
}

std::optional<std::vector<ZorvRecord>> decodeRecords(const json::value& value) {
  if (!value.is_array()) return std::nullopt;
  std::vector<ZorvRecord> records;
  for (const json::value& element : value.get_array()) {
    auto record = decodeRecord(element);
    if (!record) return std::nullopt;
    records.push_back(std::move(*record));
  }
  return records;
}

// The version is an integer; written as 1.0 it is still the integer 1.
// Strings, booleans and fractions are of the wrong type.
std::optional<double> decodeInteger(const json::value& value) {
  if (value.is_int64()) return static_cast<double>(value.get_int64());
  if (value.is_uint64()) return static_cast<double>(value.get_uint64());
  if (value.is_double()) {
    double number = value.get_double();
    if (std::isfinite(number) && std::trunc(number) == number) return number;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<ZorvRecord>> decodeZorvIndexDocument(std::string_view bytes) {
  if (bytes.starts_with(kUtf8ByteOrderMark)) bytes.remove_prefix(kUtf8ByteOrderMark.size());
  json::parse_options options;
  options.max_depth = kMaxNestingDepth;
  json::error_code error;
  json::value document = json::parse(bytes, error, json::storage_ptr(), options);
  if (error || !document.is_object()) return std::nullopt;

  const json::object& root = document.get_object();
  double version = 0;
  std::vector<ZorvRecord> records;
  if (!decodeRequired(root, "version", decodeInteger, version) ||
      !decodeRequired(root, "zorvs", decodeRecords, records)) {
    return std::nullopt;
  }
  if (version != kZorvIndexVersion) return std::nullopt;
  return records;
}

}  // namespace zorvs::controls
