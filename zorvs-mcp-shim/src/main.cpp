// zorvs-mcp-shim: Claude Desktop starts this as an MCP server. It relays
// every line between its standard input/output and the Zorvs app's socket.
#include <unistd.h>

#include "bridge.h"
#include "env.h"

namespace zorvs_mcp {

int main() {
  PosixEnv env;
  return run_bridge(env, STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO);
}

}  // namespace zorvs_mcp

int main() {
  zorvs_mcp::prepare_process();
  return zorvs_mcp::main();
}
