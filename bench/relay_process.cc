#include "relay_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace zorvs_bench {
namespace {

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool cloexec_pipe(int fds[2]) {
  if (::pipe(fds) != 0) return false;
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  return true;
}

}  // namespace

std::optional<RelayProcess> RelayProcess::start(const std::vector<std::string>& argv, bool quiet) {
  int to_child[2];
  int from_child[2];
  if (!cloexec_pipe(to_child)) return std::nullopt;
  if (!cloexec_pipe(from_child)) {
    ::close(to_child[0]);
    ::close(to_child[1]);
    return std::nullopt;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);
  if (quiet) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(to_child[0]);
  ::close(from_child[1]);
  if (rc != 0) {
    ::close(to_child[1]);
    ::close(from_child[0]);
    return std::nullopt;
  }
  return RelayProcess(pid, to_child[1], from_child[0]);
}

RelayProcess::RelayProcess(RelayProcess&& other) noexcept
    : pid_(other.pid_), in_(other.in_), out_(other.out_) {
  other.pid_ = -1;
  other.in_ = other.out_ = -1;
}

RelayProcess::~RelayProcess() {
  if (pid_ > 0) finish();
}

Exit RelayProcess::finish() {
  close_fd(in_);
  close_fd(out_);
  Exit exit;
  if (pid_ <= 0) return exit;
  int status = 0;
  rusage usage{};
  while (::wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  exit.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#if defined(__APPLE__)
  exit.peak_rss_kb = usage.ru_maxrss / 1024;  // bytes there, kilobytes on Linux
#else
  exit.peak_rss_kb = usage.ru_maxrss;
#endif
  return exit;
}

}  // namespace zorvs_bench
