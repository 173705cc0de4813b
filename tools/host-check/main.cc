// zorvs-host-check: checks that the host app's socket keeps the contract the
// bridge relies on. See --help.
#include <cstdio>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "checks.h"
#include "host-contract/host_sockets.h"
#include "launch.h"
#include "options.h"
#include "utf8.h"

namespace {

using namespace zorvs::hostcheck;

// The bridge's candidates: the flavor ZORVS_MCP_FLAVOR names, read as the
// bridge reads it.
std::vector<std::string> bridge_candidates() {
  const zorvs::host::ProcessUserDirectories dirs;
  auto value = dirs.get_var("ZORVS_MCP_FLAVOR");
  const auto flavor = value && zorvs_mcp::is_valid_utf8(*value)
                          ? zorvs::host::flavor_named(zorvs_mcp::trim_unicode_space(*value))
                          : zorvs::host::Flavor::Auto;
  return zorvs::host::socket_candidates(flavor, dirs);
}

void report(const CheckResult& result) {
  std::printf("%s\n", result_line(result).c_str());
  std::fflush(stdout);
}

// Connects to the first candidate that accepts, as the bridge does, and runs
// the checks there.
bool check_first_accepting(const std::vector<std::string>& candidates, const Limits& limits) {
  std::string refusals;
  for (const std::string& candidate : candidates) {
    auto connection = HostLine::connect(candidate, limits.timeout);
    if (auto* error = std::get_if<std::string>(&connection)) {
      refusals += (refusals.empty() ? "" : "; ") + candidate + ": " + *error;
      continue;
    }
    std::printf("socket: %s\n", candidate.c_str());
    return run_checks(candidate, std::move(std::get<HostLine>(connection)), limits, report);
  }
  report({"connect", false, "no socket accepts a connection (" + refusals + ")"});
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  auto parsed = parse_options(std::vector<std::string_view>(argv + 1, argv + argc));
  if (auto* error = std::get_if<std::string>(&parsed)) {
    std::fprintf(stderr, "zorvs-host-check: %s (see --help)\n", error->c_str());
    return 2;
  }
  const Options& options = std::get<Options>(parsed);
  if (options.help) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  std::vector<std::string> candidates =
      options.socket ? std::vector<std::string>{*options.socket} : bridge_candidates();
  if (options.launch) {
    CheckResult launched = check_launch(*options.launch, candidates, options.limits.timeout);
    report(launched);
    if (!launched.passed) return 1;
  }
  return check_first_accepting(candidates, options.limits) ? 0 : 1;
}
