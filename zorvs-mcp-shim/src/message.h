// What the bridge looks at in a client message: "id", "method" and, for
// initialize, "params". Members count only when the message is an object.
#pragma once

#include <optional>
#include <string_view>

#include "json.h"

namespace zorvs_mcp {

// The "id" member (any type, null included), or nullptr when absent.
const json::Value* message_id(const json::Value& message);

// The "method" member when it is a string.
std::optional<std::string_view> message_method(const json::Value& message);

// A notification has no "id", or a method beginning with "notifications/".
// Arrays and other non-objects have no "id": batches count as notifications.
bool is_notification(const json::Value& message);

}  // namespace zorvs_mcp
