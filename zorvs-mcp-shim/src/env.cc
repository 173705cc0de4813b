#include "env.h"

#include <thread>

#include "host-contract/launch_command.h"

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#else
#include <sys/auxv.h>
#endif

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
  return zorvs::host::run_program(program, args);
}

}  // namespace zorvs_mcp
