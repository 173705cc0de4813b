// An Env for unit tests: a map for the environment, fixed answers for the
// user database and executable path, a clock that moves only when the code
// under test sleeps, and a recorder for the programs it runs.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "env.h"

namespace zorvs_mcp::testing {

class FakeEnv : public Env {
 public:
  struct Run {
    std::string program;
    std::vector<std::string> args;
    std::chrono::milliseconds at;  // fake time since the start
  };

  std::map<std::string, std::string> vars;
  std::optional<std::string> home;
  std::optional<std::string> temp_dir;
  std::optional<std::string> exe;
  // Exit status per program; a missing entry means it cannot be started.
  std::map<std::string, int> exit_codes;
  std::vector<Run> runs;
  std::vector<std::chrono::milliseconds> sleeps;
  // Called after each sleep with the fake time since the start.
  std::function<void(std::chrono::milliseconds)> on_sleep;

  std::optional<std::string> get_var(const char* name) const override {
    auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::string> user_home() const override { return home; }
  std::optional<std::string> user_temp_dir() const override { return temp_dir; }
  std::optional<std::string> executable_path() const override { return exe; }
  std::chrono::steady_clock::time_point now() const override {
    return std::chrono::steady_clock::time_point{} + elapsed_;
  }
  void sleep_for(std::chrono::milliseconds duration) override {
    sleeps.push_back(duration);
    elapsed_ += duration;
    if (on_sleep) on_sleep(elapsed_);
  }
  std::optional<int> run_program(const std::string& program,
                                 const std::vector<std::string>& args) override {
    runs.push_back({program, args, elapsed_});
    auto it = exit_codes.find(program);
    if (it == exit_codes.end()) return std::nullopt;
    return it->second;
  }
  // Lets time pass without a sleep, as a slow probe pass would.
  void advance(std::chrono::milliseconds duration) { elapsed_ += duration; }

 private:
  std::chrono::milliseconds elapsed_{0};
};

}  // namespace zorvs_mcp::testing
