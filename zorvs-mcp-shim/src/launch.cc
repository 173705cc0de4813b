#include "launch.h"

#include <unistd.h>

#include "host_contract.h"
#include "utf8.h"

namespace zorvs_mcp {
namespace {

std::string_view without_trailing_slashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

// "X.app" names a bundle; ".app", "app" and ".." do not.
bool is_bundle_name(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name == "/") return false;
  size_t dot = name.rfind('.');
  return dot != std::string_view::npos && dot != 0 && name.substr(dot + 1) == "app";
}

}  // namespace

std::optional<std::string> find_launch_target(const Env& env) {
  auto exe = env.executable_path();
  if (!exe) return std::nullopt;
  std::string_view path = without_trailing_slashes(*exe);
  while (!path.empty() && path != "/") {
    size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (is_bundle_name(name)) return std::string(path);
    if (slash == std::string_view::npos) break;
    path = without_trailing_slashes(path.substr(0, slash == 0 ? 1 : slash));
  }
  return std::nullopt;
}

bool app_is_running(Env& env, const std::string& target) {
  std::string pattern = lossy_utf8(target) + "/Contents/MacOS/";
  return env.run_program("/usr/bin/pgrep", {"-f", pattern}) == 0;
}

std::optional<ExchangeOutcome> launch_and_exchange(Env& env, const CandidateList& candidates,
                                                   const json::Value& message, bool is_notification,
                                                   ConnSlot& slot,
                                                   const json::Value* remembered_initialize) {
  auto target = find_launch_target(env);
  if (!target) return std::nullopt;
  if (!app_is_running(env, *target)) {
    auto status =
        env.run_program(zorvs::host::kLauncher, zorvs::host::launch_arguments(*target));
    if (status != 0) return std::nullopt;
  }
  const auto deadline = env.now() + kLaunchDeadline;
  while (env.now() < deadline) {
    if (auto probe = connect_first(candidates)) {
      ::close(*probe);  // the host accepts connections that close without data
      env.sleep_for(kSettlePause);
      return try_exchange(slot, candidates, message, is_notification, remembered_initialize);
    }
    env.sleep_for(kProbePause);
  }
  return std::nullopt;
}

}  // namespace zorvs_mcp
