#include "controls/src/testing/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "controls/src/testing/temp_dir.h"

extern char** environ;

namespace zorvs::controls {
namespace {

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& overrides) {
  std::vector<std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string text = *entry;
    if (!overrides.contains(text.substr(0, text.find('=')))) merged.push_back(text);
  }
  for (const auto& [name, value] : overrides) merged.push_back(name + "=" + value);
  return merged;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

ChildResult runChild(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::map<std::string, std::string>& environment) {
  TempDir capture;
  std::string outPath = (capture.path() / "out").string();
  std::string errPath = (capture.path() / "err").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<std::string> argv = {program.string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> envp = mergedEnvironment(environment);
  std::vector<char*> argvPointers = pointers(argv), envpPointers = pointers(envp);
  pid_t child = 0;
  int failed = ::posix_spawn(&child, argv[0].c_str(), &actions, nullptr, argvPointers.data(),
                             envpPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0)
    throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(failed));

  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(outPath), slurp(errPath)};
}

}  // namespace zorvs::controls
