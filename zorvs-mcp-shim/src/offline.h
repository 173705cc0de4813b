// The answers the bridge gives by itself when the host cannot be reached or
// answered unusably, and the tool-list cache that keeps the last tool list
// the host returned.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "env.h"
#include "json.h"

namespace zorvs_mcp {

// The app data directory's "mcp-tools-cache.json".
std::string tool_cache_path(const Env& env);

// `value` when it is an object whose "tools" is a non-empty array.
std::optional<json::Value> non_empty_tools(json::Value value);

// The answer to `request` built without the host. `text` explains why the
// host could not answer; initialize and tools/list do not show it.
json::Value offline_answer(const json::Value& request, std::string_view text, const Env& env);

// Stores the "result" of a host's tools/list answer, its canonical text
// given in spans, as the cache. Failures are ignored: the old cache stays
// whole.
void update_tool_cache(std::span<const std::string_view> result, const Env& env);

}  // namespace zorvs_mcp
