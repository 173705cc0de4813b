// The bridge's JSON layer: any bytes either fail to parse, with a described
// position, or parse to a value whose written text parses back to an equal
// value and is written the same way again.
#include <string>
#include <string_view>
#include <variant>

#include "fuzz/fuzz_target.h"
#include "json.h"
#include "utf8.h"

namespace {

using zorvs::fuzz::require;
namespace json = zorvs_mcp::json;

// "F at line L column C", with L and C decimal numbers, L from 1 (C is 0
// only for an empty text).
bool describes_position(std::string_view description) {
  auto number_at_end = [&description]() -> std::string_view {
    size_t digits = 0;
    while (digits < description.size() && description[description.size() - 1 - digits] >= '0' &&
           description[description.size() - 1 - digits] <= '9') {
      ++digits;
    }
    std::string_view number = description.substr(description.size() - digits);
    description.remove_suffix(digits);
    return number;
  };
  auto word_at_end = [&description](std::string_view word) {
    if (!description.ends_with(word)) return false;
    description.remove_suffix(word.size());
    return true;
  };
  const std::string_view column = number_at_end();
  if (column.empty() || !word_at_end(" column ")) return false;
  const std::string_view line = number_at_end();
  return !line.empty() && line.front() != '0' && word_at_end(" at line ") && !description.empty();
}

}  // namespace

ZORVS_FUZZ_TARGET(json) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto parsed = json::parse(text);
  if (auto* error = std::get_if<json::ParseError>(&parsed)) {
    require(describes_position(error->description), "a parse error names its line and column");
    return 0;
  }
  const json::Value& value = std::get<json::Value>(parsed);
  require(zorvs_mcp::is_valid_utf8(text), "only valid UTF-8 parses");

  std::string first;
  require(json::write(value, first), "every parsed value can be written");
  require(zorvs_mcp::is_valid_utf8(first), "written text is valid UTF-8");
  require(first.find('\n') == std::string::npos, "written text is one line");

  auto reparsed = json::parse(first);
  const auto* again = std::get_if<json::Value>(&reparsed);
  require(again != nullptr, "written text parses");
  require(*again == value, "written text parses back to an equal value");
  std::string second;
  require(json::write(*again, second), "the reparsed value can be written");
  require(second == first, "writing again gives the same text");
  return 0;
}
