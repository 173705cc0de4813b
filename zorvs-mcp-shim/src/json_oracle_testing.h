// Boost's parser with the bridge's rules (a depth limit of 128 levels,
// doubles read with read_double) and the bridge's fault words, kept for tests
// only: the reader the bridge's own (json_reader.h, relay) must agree with on
// every text.
#pragma once

#include <string_view>

#include "json.h"

namespace zorvs_mcp::json {

// Parses `text` with Boost's parser alone.
ParseResult parse_with_boost(std::string_view text);

}  // namespace zorvs_mcp::json
