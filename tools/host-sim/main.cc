// host-sim: a reference Zorvs host for demos and tests. It listens on the
// release socket in the app data directory (or the dev socket with --dev, or
// a path given with --socket) and answers initialize, tools/list and
// tools/call for a few demo patterns until it is interrupted.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo_host.h"
#include "host_contract.h"
#include "line_server.h"

namespace {

std::string default_socket(bool dev) {
  const char* home = std::getenv("HOME");
  std::string dir = std::string(home && *home ? home : "/tmp") + "/Library/Application Support/" +
                    std::string(zorvs::host::kAppIdentifier);
  std::string mkdir = "mkdir -p '" + dir + "'";
  if (std::system(mkdir.c_str()) != 0) return {};
  return dir + "/" +
         std::string(dev ? zorvs::host::kDevSocketName : zorvs::host::kReleaseSocketName);
}

}  // namespace

int main(int argc, char** argv) {
  std::string socket;
  bool dev = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dev") == 0) {
      dev = true;
    } else if (std::strcmp(argv[i], "--socket") == 0 && i + 1 < argc) {
      socket = argv[++i];
    } else {
      std::fprintf(stderr, "usage: host-sim [--dev] [--socket PATH]\n");
      return 2;
    }
  }
  if (socket.empty()) socket = default_socket(dev);
  signal(SIGPIPE, SIG_IGN);
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);  // threads inherit the mask

  auto server = zorvs::hostsim::LineServer::start(
      socket, [](size_t, const std::string& line) { return zorvs::hostsim::demo_answer(line); });
  if (!server) {
    std::fprintf(stderr, "host-sim: cannot listen at %s\n", socket.c_str());
    return 1;
  }
  std::fprintf(stderr, "host-sim: listening at %s\n", socket.c_str());
  int received = 0;
  sigwait(&stop_signals, &received);
  server->stop();
  return 0;
}
