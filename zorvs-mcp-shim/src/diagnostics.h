// The plain-language explanation a user reads when the host app cannot be
// reached and could not be started.
#pragma once

#include <string>

#include "endpoints.h"
#include "env.h"

namespace zorvs_mcp {

// Chooses one of six texts from the flavor and from what is found on the
// machine now: the enclosing app bundle, whether it still exists, and
// whether the app is running.
std::string unreachable_message(Env& env, Flavor flavor, const CandidateList& candidates);

}  // namespace zorvs_mcp
