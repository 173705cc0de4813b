// Starting the host app when a request finds it unreachable: find the app
// bundle the bridge lies in, start it in the background unless it already
// runs, wait for one of its sockets, and deliver the request once more.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "conn.h"
#include "endpoints.h"
#include "env.h"
#include "host-contract/launch_command.h"
#include "json.h"

namespace zorvs_mcp {

using zorvs::host::kLaunchDeadline;
inline constexpr std::chrono::milliseconds kProbePause{500};
inline constexpr std::chrono::milliseconds kSettlePause{250};

// The nearest enclosing directory named "*.app" of the executable's path, as
// the platform reports it (not resolved), or nothing.
std::optional<std::string> find_launch_target(const Env& env);

// Whether any process runs from the bundle's "Contents/MacOS/" directory.
bool app_is_running(Env& env, const std::string& target);

// Launches the host app and makes the second exchange for `message`.
// Returns that exchange's outcome, or nothing when there is no bundle, the
// launcher failed, or no socket accepted before the deadline.
std::optional<ExchangeOutcome> launch_and_exchange(Env& env, const CandidateList& candidates,
                                                   const json::Value& message, bool is_notification,
                                                   ConnSlot& slot,
                                                   const json::Value* remembered_initialize);

}  // namespace zorvs_mcp
