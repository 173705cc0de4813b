// The launch the bridge makes when it finds the host down: "open -g BUNDLE
// --args --background-launch", after which the host must have its socket up
// within 30 seconds. macOS only (open is macOS's).
#pragma once

#include <string>
#include <vector>

#include "checks.h"

namespace zorvs::hostcheck {

// With no candidate accepting a connection, starts the app at `bundle` as
// the bridge does and times how long until one does.
CheckResult check_launch(const std::string& bundle, const std::vector<std::string>& candidates,
                         Millis connect_limit);

}  // namespace zorvs::hostcheck
