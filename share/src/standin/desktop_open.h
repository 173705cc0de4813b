// Opening a URL with the desktop's opener program.
#pragma once

#include <string>

#include "share/src/share_platform.h"

namespace zorvs::share::standin {

// The opener the stand-in runs: "xdg-open", or "open" on macOS.
const char* desktop_opener();

// Runs `opener` (found through PATH) with `url` as its one argument and waits
// for it. Opened when it exits with status 0. Blocks: call it off the main
// thread.
OpenOutcome open_with(const char* opener, const std::string& url);

}  // namespace zorvs::share::standin
