// The bridge's main loop: reads client messages line by line, relays each to
// the host, and writes back the host's answer or one built offline.
#pragma once

#include "env.h"

namespace zorvs_mcp {

// Opens descriptors 0, 1 and 2 on /dev/null where they are closed, ignores
// SIGPIPE, so that writes to a closed pipe fail instead of killing us, and
// prepares the allocator for large messages.
void prepare_process();

// Runs the loop until standard input ends or fails. Always returns 0.
int run_bridge(Env& env, int in_fd, int out_fd, int err_fd);

}  // namespace zorvs_mcp
