#include "offline.h"

#include "endpoints.h"
#include "files.h"
#include "message.h"
#include "utf8.h"

namespace zorvs_mcp {
namespace {

constexpr std::string_view kCacheFileName = "mcp-tools-cache.json";
constexpr std::string_view kSeedFileName = "tools-seed.json";
constexpr std::string_view kDefaultProtocolVersion = "2025-06-18";

std::optional<std::string> read_utf8_file(const std::string& path) {
  auto content = read_file(path);
  if (!content || !is_valid_utf8(*content)) return std::nullopt;
  return content;
}

std::optional<json::Value> usable_tools_in(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  auto parsed = json::parse(*text);
  auto* value = std::get_if<json::Value>(&parsed);
  if (!value) return std::nullopt;
  return non_empty_tools(std::move(*value));
}

// The last known tool list: the cache, the legacy cache when the cache
// cannot be read at all, the seed shipped beside the executable, or none.
json::Value offline_tool_list(const Env& env) {
  auto cache = read_utf8_file(tool_cache_path(env));
  if (!cache) cache = read_utf8_file(legacy_dir(env) + "/" + std::string(kCacheFileName));
  if (auto tools = usable_tools_in(cache)) return std::move(*tools);

  if (auto exe = env.executable_path()) {
    if (auto dir = parent_dir(*exe)) {
      std::string seed_path = *dir == "/" ? "/" : *dir + "/";
      seed_path.append(kSeedFileName);
      if (auto tools = usable_tools_in(read_utf8_file(seed_path))) return std::move(*tools);
    }
  }
  return json::Value{{"tools", json::Value(boost::json::array_kind)}};
}

json::Value initialize_result(const json::Value& request) {
  std::string_view version = kDefaultProtocolVersion;
  const auto* object = request.if_object();
  const auto* params = object ? object->if_contains("params") : nullptr;
  if (params && params->is_object()) {
    const auto* given = params->get_object().if_contains("protocolVersion");
    if (given && given->is_string()) version = given->get_string();
  }
  return json::Value{
      {"capabilities", {{"tools", json::Value(boost::json::object_kind)}}},
      {"protocolVersion", version},
      {"serverInfo", {{"name", "zorvs"}, {"version", "0.1.0"}}},
  };
}

}  // namespace

std::string tool_cache_path(const Env& env) {
  return zorvs_dir(env) + "/" + std::string(kCacheFileName);
}

std::optional<json::Value> non_empty_tools(json::Value value) {
  const auto* object = value.if_object();
  const auto* tools = object ? object->if_contains("tools") : nullptr;
  if (!tools || !tools->is_array() || tools->get_array().empty()) return std::nullopt;
  return value;
}

json::Value offline_answer(const json::Value& request, std::string_view text, const Env& env) {
  const json::Value* id = message_id(request);
  boost::json::object answer;
  answer["id"] = id ? *id : json::Value(nullptr);
  answer["jsonrpc"] = "2.0";
  auto method = message_method(request);
  if (method == "initialize") {
    answer["result"] = initialize_result(request);
  } else if (method == "tools/list") {
    answer["result"] = offline_tool_list(env);
  } else if (method == "tools/call") {
    answer["result"] = {{"content", {{{"text", text}, {"type", "text"}}}}, {"isError", true}};
  } else {
    answer["error"] = {{"code", -32603}, {"message", text}};
  }
  return answer;
}

void update_tool_cache(std::span<const std::string_view> result, const Env& env) {
  const std::string path = tool_cache_path(env);
  if (auto dir = parent_dir(path)) create_directories(*dir);
  replace_file(path, result);
}

}  // namespace zorvs_mcp
