// Canonical JSON text: the writer behind write(), and the one piece of it
// the relay uses on its own.
#pragma once

#include <string_view>

#include "json.h"

namespace zorvs_mcp::json {

// Appends the string token of `s` (valid UTF-8) to `out`, as write() writes
// a string.
void write_string(std::string_view s, TextBuffer& out);

}  // namespace zorvs_mcp::json
