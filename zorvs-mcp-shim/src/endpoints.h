// Where the host app listens: the flavor chosen by ZORVS_MCP_FLAVOR, the
// per-user directories, and the ordered list of socket paths to try.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "env.h"
#include "host-contract/host_sockets.h"

namespace zorvs_mcp {

using Flavor = zorvs::host::Flavor;

// Socket paths in the order they are tried; built once, never changed.
using CandidateList = std::vector<std::string>;

struct Endpoints {
  Flavor flavor;
  CandidateList candidates;
};

// The flavor a ZORVS_MCP_FLAVOR value selects (nothing: the variable is unset).
Flavor parse_flavor(const std::optional<std::string>& value);

// The per-user application data directory, "<home>/Library/Application
// Support", or the temporary directory when there is no home directory.
using zorvs::host::data_dir;
// The host app's data directory: sockets and the tool-list cache live here.
std::string zorvs_dir(const Env& env);
// Where earlier host versions kept their files.
using zorvs::host::legacy_dir;

// Reads ZORVS_MCP_FLAVOR and builds the candidate list for it.
Endpoints resolve_endpoints(const Env& env);

// The candidate path as a socket name, or nothing when it holds a NUL byte
// ("filesystem paths cannot contain interior nuls"); callers skip such a
// candidate like one that refused the connection.
std::optional<std::string_view> build_name(const std::string& path);

}  // namespace zorvs_mcp
