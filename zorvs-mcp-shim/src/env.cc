#include "env.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#else
#include <sys/auxv.h>
#endif

extern char** environ;

namespace zorvs_mcp {

std::optional<std::string> PosixEnv::get_var(const char* name) const {
  return dirs_.get_var(name);
}

std::optional<std::string> PosixEnv::user_home() const {
  return dirs_.user_home();
}

std::optional<std::string> PosixEnv::user_temp_dir() const {
  return dirs_.user_temp_dir();
}

std::optional<std::string> PosixEnv::executable_path() const {
#if defined(__APPLE__)
  uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::string path(size, '\0');
  if (_NSGetExecutablePath(path.data(), &size) != 0) return std::nullopt;
  path.resize(std::char_traits<char>::length(path.c_str()));
  return path;
#else
  // The path as given to exec, like the macOS call: not resolved.
  const char* path = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  if (path == nullptr) return std::nullopt;
  return std::string(path);
#endif
}

std::chrono::steady_clock::time_point PosixEnv::now() const {
  return std::chrono::steady_clock::now();
}

void PosixEnv::sleep_for(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

std::optional<int> PosixEnv::run_program(const std::string& program,
                                         const std::vector<std::string>& args) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
  for (int fd = 0; fd <= 2; ++fd) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  pid_t pid = 0;
  int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (!WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status);
}

}  // namespace zorvs_mcp
