#include "host-contract/host_sockets.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "host_contract.h"

namespace zorvs::host {
namespace {

std::string join(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (!path.empty() && path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

std::optional<std::string> home_dir(const UserDirectories& dirs) {
  if (auto home = dirs.get_var("HOME"); home && !home->empty()) return home;
  if (auto home = dirs.user_home(); home && !home->empty()) return home;
  return std::nullopt;
}

std::string temp_dir(const UserDirectories& dirs) {
  if (auto tmp = dirs.get_var("TMPDIR")) return *tmp;  // taken as it is, even empty
  if (auto tmp = dirs.user_temp_dir()) return *tmp;
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

Flavor flavor_named(std::string_view trimmed) {
  std::string word(trimmed);
  for (char& c : word) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (word == "dev") return Flavor::Dev;
  if (word == "release" || word == "bundle" || word == "bundled" || word == "prod") {
    return Flavor::Release;
  }
  return Flavor::Auto;
}

std::optional<std::string> ProcessUserDirectories::get_var(const char* name) const {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::optional<std::string> ProcessUserDirectories::user_home() const {
  long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 4096);
  while (true) {
    passwd entry{};
    passwd* found = nullptr;
    int rc = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || found == nullptr || found->pw_dir == nullptr) return std::nullopt;
    return std::string(found->pw_dir);
  }
}

std::optional<std::string> ProcessUserDirectories::user_temp_dir() const {
#if defined(__APPLE__)
  size_t size = confstr(_CS_DARWIN_USER_TEMP_DIR, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::string dir(size, '\0');
  if (confstr(_CS_DARWIN_USER_TEMP_DIR, dir.data(), size) == 0) return std::nullopt;
  dir.resize(size - 1);
  return dir;
#else
  return std::nullopt;
#endif
}

std::string data_dir(const UserDirectories& dirs) {
  if (auto home = home_dir(dirs)) return join(*home, "Library/Application Support");
  return temp_dir(dirs);
}

std::string app_data_dir(const UserDirectories& dirs) {
  return join(data_dir(dirs), kAppIdentifier);
}

std::string legacy_dir(const UserDirectories& dirs) {
  return join(data_dir(dirs), kLegacyDirectoryName);
}

std::vector<std::string> socket_candidates(Flavor flavor, const UserDirectories& dirs) {
  const std::string app_dir = app_data_dir(dirs);
  std::string release = join(app_dir, kReleaseSocketName);
  std::string dev = join(app_dir, kDevSocketName);
  std::vector<std::string> list;
  switch (flavor) {
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
  const std::string legacy = legacy_dir(dirs);
  const size_t primary = list.size();
  for (size_t i = 0; i < primary; ++i) {
    if (auto name = file_name(list[i])) list.push_back(join(legacy, *name));
  }
  return list;
}

}  // namespace zorvs::host
