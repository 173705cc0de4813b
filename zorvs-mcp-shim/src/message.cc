#include "message.h"

namespace zorvs_mcp {

const json::Value* message_id(const json::Value& message) {
  const auto* object = message.if_object();
  return object ? object->if_contains("id") : nullptr;
}

std::optional<std::string_view> message_method(const json::Value& message) {
  const auto* object = message.if_object();
  if (!object) return std::nullopt;
  const auto* method = object->if_contains("method");
  if (!method || !method->is_string()) return std::nullopt;
  const auto& text = method->get_string();
  return std::string_view(text.data(), text.size());
}

bool is_notification(const json::Value& message) {
  if (!message_id(message)) return true;
  auto method = message_method(message);
  return method && method->starts_with("notifications/");
}

}  // namespace zorvs_mcp
