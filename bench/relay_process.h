// A relay under test: a child process with pipes on its standard input and
// output, waited for at the end with its resource usage.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace zorvs_bench {

struct Exit {
  int status = -1;       // exit status, or -1 when killed by a signal
  long peak_rss_kb = 0;  // the child's peak resident memory
};

class RelayProcess {
 public:
  // Starts `argv` (looked up in PATH) with the driver's environment. With
  // `quiet` its standard error goes to /dev/null. Nothing when it cannot start.
  static std::optional<RelayProcess> start(const std::vector<std::string>& argv, bool quiet);

  RelayProcess(RelayProcess&& other) noexcept;
  RelayProcess& operator=(RelayProcess&&) = delete;
  ~RelayProcess();

  int input() const { return in_; }    // the child's standard input
  int output() const { return out_; }  // the child's standard output

  // Closes the child's input and output and waits for it to exit.
  Exit finish();

 private:
  RelayProcess(pid_t pid, int in, int out) : pid_(pid), in_(in), out_(out) {}

  pid_t pid_;
  int in_;
  int out_;
};

}  // namespace zorvs_bench
