#include "endpoints.h"

#include "utf8.h"

namespace zorvs_mcp {

Flavor parse_flavor(const std::optional<std::string>& value) {
  if (!value || !is_valid_utf8(*value)) return Flavor::Auto;
  return zorvs::host::flavor_named(trim_unicode_space(*value));
}

std::string zorvs_dir(const Env& env) {
  return zorvs::host::app_data_dir(env);
}

Endpoints resolve_endpoints(const Env& env) {
  const Flavor flavor = parse_flavor(env.get_var("ZORVS_MCP_FLAVOR"));
  return {flavor, zorvs::host::socket_candidates(flavor, env)};
}

std::optional<std::string_view> build_name(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  return std::string_view(path);
}

}  // namespace zorvs_mcp
