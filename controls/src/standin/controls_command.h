// The command line of `zorvs-controls`, which runs the controls extension's
// logic on a development machine: list and search the patterns of the
// index, show a control's tile, and run a control's pattern.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "controls/src/platform.h"

namespace zorvs::controls {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // CONFIG unreadable, or the URL not opened
inline constexpr int kExitUsage = 2;    // bad arguments

// Runs one command (`arguments` without the program name) and returns the
// exit status. Results go to `out`, one compact JSON value per line;
// messages go to `err`. A missing or invalid index is never an error.
int runControlsCommand(const std::vector<std::string>& arguments, Platform& platform,
                       std::ostream& out, std::ostream& err);

}  // namespace zorvs::controls
