// Everything the bridge asks of the operating system about its surroundings:
// environment variables, the user database, its own executable path, the
// clock, and the programs it starts. `PosixEnv` is the real one; tests give
// the bridge's parts a fake so that fallbacks, the launch wait and the
// programs run can be checked without waiting or touching the machine.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "host-contract/host_sockets.h"

namespace zorvs_mcp {

// Environment variables, the user database and the temporary directory come
// from the host contract's lookup of the socket directories.
class Env : public zorvs::host::UserDirectories {
 public:
  // The path this executable was started from, as given, not resolved.
  virtual std::optional<std::string> executable_path() const = 0;

  // Monotonic time and plain sleeps.
  virtual std::chrono::steady_clock::time_point now() const = 0;
  virtual void sleep_for(std::chrono::milliseconds duration) = 0;

  // Runs `program` (looked up through PATH unless it contains a "/") with
  // `args`, standard streams on the null device, the environment inherited,
  // and waits for it. Returns its exit code, or nothing when it could not be
  // started or did not exit normally.
  virtual std::optional<int> run_program(const std::string& program,
                                         const std::vector<std::string>& args) = 0;
};

class PosixEnv final : public Env {
 public:
  std::optional<std::string> get_var(const char* name) const override;
  std::optional<std::string> user_home() const override;
  std::optional<std::string> user_temp_dir() const override;
  std::optional<std::string> executable_path() const override;
  std::chrono::steady_clock::time_point now() const override;
  void sleep_for(std::chrono::milliseconds duration) override;
  std::optional<int> run_program(const std::string& program,
                                 const std::vector<std::string>& args) override;

 private:
  zorvs::host::ProcessUserDirectories dirs_;
};

}  // namespace zorvs_mcp
