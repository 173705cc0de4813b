#include "share/src/standin/desktop_open.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace zorvs::share::standin {

const char* desktop_opener() {
#ifdef __APPLE__
  return "open";
#else
  return "xdg-open";
#endif
}

OpenOutcome open_with(const char* opener, const std::string& url) {
  std::string program = opener;
  std::string argument = url;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t child = 0;
  int spawn_error = ::posix_spawnp(&child, opener, nullptr, nullptr, argv, environ);
  if (spawn_error != 0) return {false, program + ": " + std::strerror(spawn_error)};
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return {false, program + ": " + std::strerror(errno)};
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {true, ""};
  return {false, program + " did not open the URL"};
}

}  // namespace zorvs::share::standin
