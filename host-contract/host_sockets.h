// Where the host app listens: the per-user directories and the ordered list
// of socket paths a client tries for a flavor. The bridge and the host
// checker both take the list from here, so that the checker looks exactly
// where the bridge will.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvs::host {

// Which host build a client looks for: both, the development build's
// socket only, or the installed build's only.
enum class Flavor { Auto, Dev, Release };

// The flavor a ZORVS_MCP_FLAVOR value names once it is trimmed of white
// space: only the letters A to Z are lowered before the comparison.
Flavor flavor_named(std::string_view trimmed);

// What the directories are looked up from. Each source is asked only when
// the ones before it gave nothing.
class UserDirectories {
 public:
  virtual ~UserDirectories() = default;
  // The raw bytes of an environment variable, or nothing when it is unset.
  virtual std::optional<std::string> get_var(const char* name) const = 0;
  // The home directory the user database records for the current user.
  virtual std::optional<std::string> user_home() const = 0;
  // The platform's per-user temporary directory (macOS only).
  virtual std::optional<std::string> user_temp_dir() const = 0;
};

// The real sources: the process environment, getpwuid_r and confstr.
class ProcessUserDirectories final : public UserDirectories {
 public:
  std::optional<std::string> get_var(const char* name) const override;
  std::optional<std::string> user_home() const override;
  std::optional<std::string> user_temp_dir() const override;
};

// The per-user application data directory, "<home>/Library/Application
// Support", or the temporary directory when there is no home directory.
std::string data_dir(const UserDirectories& dirs);
// The host app's data directory: its sockets live here.
std::string app_data_dir(const UserDirectories& dirs);
// Where earlier host versions kept their files.
std::string legacy_dir(const UserDirectories& dirs);

// The socket paths to try, in order: the app data directory's sockets for
// the flavor, then the same names in the legacy directory.
std::vector<std::string> socket_candidates(Flavor flavor, const UserDirectories& dirs);

}  // namespace zorvs::host
