// How the host app is started in the background: macOS's open with "-g",
// the bundle, "--args" and the host's background-launch argument. The host
// must then have its socket up within 30 seconds.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zorvs::host {

inline constexpr char kLauncher[] = "open";
inline constexpr std::chrono::seconds kLaunchDeadline{30};

// The launcher's arguments for the app bundle at `bundle`.
std::vector<std::string> launch_arguments(const std::string& bundle);

// Runs `program` (looked up through PATH unless it contains a "/") with
// `args`, standard streams on the null device, the environment inherited,
// and waits for it. Returns its exit code, or nothing when it could not be
// started or did not exit normally.
std::optional<int> run_program(const std::string& program, const std::vector<std::string>& args);

}  // namespace zorvs::host
