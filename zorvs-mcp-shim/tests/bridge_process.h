// Runs the built bridge as a child process for whole-process tests: a
// temporary HOME, a chosen environment, and pipes on its standard streams.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zorvs_mcp::testing {

// A temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// The bridge's app data directory under `home`.
std::string app_data_dir(const std::string& home);
// The built bridge (ZORVS_BIN_DIR/zorvs-mcp-shim).
std::string bridge_executable();

void write_file(const std::string& path, std::string_view content);
std::optional<std::string> read_whole_file(const std::string& path);
// Copies the bridge into `dir`, optionally with a seed file beside it;
// returns the copy's path.
std::string copy_bridge_to(const std::string& dir);

// What `write` writes to a pipe whose reader is slow, while a timer signal
// keeps interrupting the writes so that they come back partial.
std::string through_interrupted_pipe(const std::function<bool(int fd)>& write, bool& written);

struct Finished {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or -1 when it did not exit normally
};

class BridgeProcess {
 public:
  using Environment = std::map<std::string, std::string>;

  // Starts `executable` with `args` and exactly `environment` (plus PATH
  // when absent). Descriptors listed in `closed` are closed in the child
  // before exec.
  BridgeProcess(const std::string& executable, Environment environment,
                std::vector<int> closed = {}, std::vector<std::string> args = {});
  ~BridgeProcess();

  void send(std::string_view bytes);
  // The next line of standard output without its "\n", or nothing when none
  // arrives within `timeout` or the output ended.
  std::optional<std::string> read_line(
      std::chrono::milliseconds timeout = std::chrono::seconds(20));
  void close_stdin();
  void close_stdout();
  // Closes standard input and collects the rest of the output and the status.
  Finished finish();
  // finish() for a process that may hang: one still running after `limit`
  // is killed (and its status is -1).
  Finished finish_within(std::chrono::milliseconds limit);
  // The child's process id (for measuring it from outside).
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string out_buffer_;
};

// The lines of `text` without their "\n"; an unterminated last line is
// marked "<no newline>".
std::vector<std::string> split_lines(const std::string& text);

// Runs the bridge over `input` to the end.
Finished run_bridge(const std::string& input, BridgeProcess::Environment environment,
                    const std::string& executable = bridge_executable());

}  // namespace zorvs_mcp::testing
