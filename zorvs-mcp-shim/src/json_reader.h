// The bridge's own reader of JSON text into values (the value builder
// behind parse()).
#pragma once

#include <string_view>

#include "json.h"

namespace zorvs_mcp::json {

// parse() for text already known to be valid UTF-8 (is_valid_utf8), which
// the bridge checks on every line before parsing it: skips that check.
ParseResult parse_valid_utf8(std::string_view text);

}  // namespace zorvs_mcp::json
