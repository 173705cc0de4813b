// Boost's parser with the bridge's rules: what the bridge's own reader
// (json_reader.h) and the relay fall back to for any text they do not take,
// and the judge of what parses and how a fault is described.
#pragma once

#include <string_view>

#include "json.h"

namespace zorvs_mcp::json {

// Parses `text` with Boost's parser alone. Tests compare it with parse().
ParseResult parse_with_boost(std::string_view text);

}  // namespace zorvs_mcp::json
