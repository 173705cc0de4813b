#include "diagnostics.h"

#include <sys/stat.h>

#include "launch.h"
#include "utf8.h"

namespace zorvs_mcp {
namespace {

std::string first_candidate(const CandidateList& candidates) {
  return candidates.empty() ? std::string() : lossy_utf8(candidates.front());
}

}  // namespace

std::string unreachable_message(Env& env, Flavor flavor, const CandidateList& candidates) {
  switch (flavor) {
    case Flavor::Dev:
      return "ZORVS_MCP_FLAVOR=dev but the dev bridge isn't listening at " +
             first_candidate(candidates) + ". Start it with `tauri dev`.";
    case Flavor::Release:
      return "ZORVS_MCP_FLAVOR=release but the bundled Zorvs app isn't listening at " +
             first_candidate(candidates) + ". Open the Zorvs app.";
    case Flavor::Auto:
      break;
  }
  auto target = find_launch_target(env);
  if (!target) {
    return "Can't find the Zorvs app from this extension. It normally lives at "
           "/Applications/Zorvs.app. If you moved or uninstalled Zorvs, reinstall it \u2014 or "
           "open Claude Desktop's extension settings and point \"Zorvs app location\" at "
           "wherever Zorvs is now.";
  }
  struct stat info {};
  if (::stat(target->c_str(), &info) != 0) {
    return "Zorvs is no longer at " + lossy_utf8(*target) +
           ". If you moved it, open Claude Desktop's extension settings and point \"Zorvs app "
           "location\" at its new home. If you uninstalled it, remove this extension too.";
  }
  if (app_is_running(env, *target)) {
    return "Zorvs is running, but it isn't accepting connections from Claude yet. Open Zorvs, "
           "go to Settings then MCP setup, and press \"Connect to Claude Desktop\".";
  }
  return "Zorvs isn't running and couldn't be started automatically. Open Zorvs from " +
         lossy_utf8(*target) + " and try again.";
}

}  // namespace zorvs_mcp
