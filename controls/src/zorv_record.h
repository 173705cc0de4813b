// The pattern values of the index file: one record per pattern, and how the
// pattern is drawn.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvs::controls {

// The icon kinds the extension knows. Kinds are compared exactly: any other
// text, also "SFSymbol", is drawn as the fallback icon.
inline constexpr std::string_view kIconKindSystemSymbol = "sfsymbol";
inline constexpr std::string_view kIconKindEmoji = "emoji";
inline constexpr std::string_view kIconKindCustom = "custom";

// The extension's own image resource, drawn wherever a pattern has no usable
// icon.
inline constexpr std::string_view kFallbackImageResource = "zorvs";

struct ZorvIconDescriptor {
  std::string kind;
  std::string value;

  // Kind "custom", value "zorvs": the extension's own picture.
  static ZorvIconDescriptor fallback() {
    return {std::string(kIconKindCustom), std::string(kFallbackImageResource)};
  }

  bool operator==(const ZorvIconDescriptor&) const = default;
};

struct ZorvRecord {
  std::string id;
  std::string name;
  std::optional<std::vector<std::string>> categories;
  std::optional<std::string> kind;
  std::optional<ZorvIconDescriptor> icon;

  bool operator==(const ZorvRecord&) const = default;
};

}  // namespace zorvs::controls
