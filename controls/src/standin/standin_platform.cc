#include "controls/src/standin/standin_platform.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "controls/src/regular_file.h"

extern char** environ;

namespace zorvs::controls {
namespace {

PlatformError posixError(int number, const std::string& doing) {
  return {"POSIX", number, doing + ": " + std::strerror(number)};
}

// Exit status 0 is success; anything else is the opener's failure.
std::optional<PlatformError> waitFor(pid_t child, const std::string& opener) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return posixError(errno, "cannot wait for " + opener);
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::nullopt;
  if (WIFEXITED(status)) {
    int code = WEXITSTATUS(status);
    return PlatformError{opener, code, opener + " exited with status " + std::to_string(code)};
  }
  int signal = WTERMSIG(status);
  return PlatformError{opener, -signal, opener + " was ended by signal " + std::to_string(signal)};
}

}  // namespace

StandInPlatform::StandInPlatform(std::optional<std::filesystem::path> home, std::string opener)
    : home_(std::move(home)), opener_(std::move(opener)) {}

std::optional<std::filesystem::path> StandInPlatform::containerURL(
    std::string_view appGroupIdentifier) const {
  if (!home_ || home_->empty()) return std::nullopt;
  return *home_ / "Library" / "Group Containers" / appGroupIdentifier;
}

std::optional<std::string> StandInPlatform::readWholeFile(const std::filesystem::path& path) const {
  return readRegularFile(path);
}

std::optional<PlatformError> StandInPlatform::openWithoutActivation(const std::string& url) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
  std::string program = opener_;
  std::string argument = url;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t child = 0;
  int failed = ::posix_spawnp(&child, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return posixError(failed, "cannot start " + opener_);
  return waitFor(child, opener_);
}

}  // namespace zorvs::controls
