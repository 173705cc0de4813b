#include "launch.h"

#include <cstdio>
#include <optional>
#include <thread>

#include "host-contract/launch_command.h"

namespace zorvs::hostcheck {
namespace {

using Clock = std::chrono::steady_clock;

// Finer than the bridge's 500 ms between passes, for a closer time.
constexpr Millis kPollPause{50};

std::optional<std::string> first_accepting(const std::vector<std::string>& candidates,
                                           Millis limit) {
  for (const std::string& candidate : candidates) {
    // Closed at once without data: a probe, as the bridge makes while it waits.
    if (std::holds_alternative<HostLine>(HostLine::connect(candidate, limit))) return candidate;
  }
  return std::nullopt;
}

std::string seconds(Clock::duration elapsed) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", std::chrono::duration<double>(elapsed).count());
  return text;
}

}  // namespace

CheckResult check_launch(const std::string& bundle, const std::vector<std::string>& candidates,
                         Millis connect_limit) {
  const std::string name = "launch";
  if (auto up = first_accepting(candidates, connect_limit)) {
    return {name, false, "the host is already running: " + *up + " accepts connections"};
  }
  const auto start = Clock::now();
  auto status = host::run_program(host::kLauncher, host::launch_arguments(bundle));
  if (!status) return {name, false, "open could not be run"};
  if (*status != 0) return {name, false, "open exited with status " + std::to_string(*status)};
  const auto deadline = Clock::now() + host::kLaunchDeadline;
  while (Clock::now() < deadline) {
    if (auto up = first_accepting(candidates, connect_limit)) {
      return {name, true,
              *up + " accepted a connection " + seconds(Clock::now() - start) +
                  " after open was started"};
    }
    std::this_thread::sleep_for(kPollPause);
  }
  return {name, false,
          "no socket accepted a connection within " +
              std::to_string(host::kLaunchDeadline.count()) + " s of open returning"};
}

}  // namespace zorvs::hostcheck
