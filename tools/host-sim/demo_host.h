// The reference host's answers: the MCP methods a Zorvs host serves, over a
// small set of demo patterns. Tool descriptions come from the seed file the
// bridge ships, so the two never drift apart.
#pragma once

#include <string>

#include "line_server.h"

namespace zorvs::hostsim {

// The answer line for one request line; nothing for notifications, as the
// host contract asks.
Answer demo_answer(const std::string& line);

}  // namespace zorvs::hostsim
