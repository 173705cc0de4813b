#include "launch.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <thread>

#include "host_contract.h"

extern char** environ;

namespace zorvs::hostcheck {
namespace {

using Clock = std::chrono::steady_clock;

// How long the bridge waits for a socket after open returns.
constexpr std::chrono::seconds kLaunchWait{30};
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

// Runs `argv` (the program looked up through PATH) with its standard
// streams on the null device; its exit status, or nothing when it could not
// be started or did not exit.
std::optional<int> run(const std::vector<std::string>& argv) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
  for (int fd = 0; fd <= 2; ++fd) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (!WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status);
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
  auto status = run({"open", "-g", bundle, "--args", std::string(host::kBackgroundLaunchArgument)});
  if (!status) return {name, false, "open could not be run"};
  if (*status != 0) return {name, false, "open exited with status " + std::to_string(*status)};
  const auto deadline = Clock::now() + kLaunchWait;
  while (Clock::now() < deadline) {
    if (auto up = first_accepting(candidates, connect_limit)) {
      return {name, true,
              *up + " accepted a connection " + seconds(Clock::now() - start) +
                  " after open was started"};
    }
    std::this_thread::sleep_for(kPollPause);
  }
  return {name, false, "no socket accepted a connection within 30 s of open returning"};
}

}  // namespace zorvs::hostcheck
