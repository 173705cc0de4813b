#include "endpoints.h"

#include "host_contract.h"
#include "utf8.h"

namespace zorvs_mcp {
namespace {

std::string join(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (!path.empty() && path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

std::optional<std::string> home_dir(const Env& env) {
  if (auto home = env.get_var("HOME"); home && !home->empty()) return home;
  if (auto home = env.user_home(); home && !home->empty()) return home;
  return std::nullopt;
}

std::string temp_dir(const Env& env) {
  if (auto tmp = env.get_var("TMPDIR")) return *tmp;  // taken as it is, even empty
  if (auto tmp = env.user_temp_dir()) return *tmp;
  return "/tmp";
}

// The last component of `path` when it is a plain name.
std::optional<std::string_view> file_name(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == ".." || name == "/") return std::nullopt;
  return name;
}

}  // namespace

Flavor parse_flavor(const std::optional<std::string>& value) {
  if (!value || !is_valid_utf8(*value)) return Flavor::Auto;
  std::string word(trim_unicode_space(*value));
  for (char& c : word) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (word == "dev") return Flavor::Dev;
  if (word == "release" || word == "bundle" || word == "bundled" || word == "prod") {
    return Flavor::Release;
  }
  return Flavor::Auto;
}

std::string data_dir(const Env& env) {
  if (auto home = home_dir(env)) return join(*home, "Library/Application Support");
  return temp_dir(env);
}

std::string zorvs_dir(const Env& env) {
  return join(data_dir(env), zorvs::host::kAppIdentifier);
}

std::string legacy_dir(const Env& env) {
  return join(data_dir(env), "zorvs");
}

Endpoints resolve_endpoints(const Env& env) {
  Endpoints endpoints{parse_flavor(env.get_var("ZORVS_MCP_FLAVOR")), {}};
  const std::string app_dir = zorvs_dir(env);
  std::string release = join(app_dir, zorvs::host::kReleaseSocketName);
  std::string dev = join(app_dir, zorvs::host::kDevSocketName);
  CandidateList& list = endpoints.candidates;
  switch (endpoints.flavor) {
    case Flavor::Auto:
      list = {std::move(release), std::move(dev)};
      break;
    case Flavor::Dev:
      list = {std::move(dev)};
      break;
    case Flavor::Release:
      list = {std::move(release)};
      break;
  }
  const std::string legacy = legacy_dir(env);
  const size_t primary = list.size();
  for (size_t i = 0; i < primary; ++i) {
    if (auto name = file_name(list[i])) list.push_back(join(legacy, *name));
  }
  return endpoints;
}

std::optional<std::string_view> build_name(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  return std::string_view(path);
}

}  // namespace zorvs_mcp
