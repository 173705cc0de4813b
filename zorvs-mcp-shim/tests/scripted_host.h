// Test hosts for the whole-process tests, on the reference host's server.
#pragma once

#include <boost/json.hpp>

#include <memory>
#include <string>

#include "line_server.h"

namespace zorvs_mcp::testing {

using zorvs::hostsim::Answer;
using zorvs::hostsim::LineServer;

// Answers every request with {"id":<id>,"jsonrpc":"2.0","result":{"echo":<method>}}
// written with its keys in another order, so re-serialization shows; says
// nothing to notifications.
Answer echo_answer(const std::string& line);

// Starts a host at `path` (its directory is created) that answers with `handler`.
std::unique_ptr<LineServer> start_host(const std::string& path, LineServer::Handler handler);
std::unique_ptr<LineServer> start_echo_host(const std::string& path);

}  // namespace zorvs_mcp::testing
