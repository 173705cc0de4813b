// Staging a shared picture: the picture is written as a new file into the
// "share" directory of the app-group container, where the host app takes it
// from; the share URL carries only the file's path.
#pragma once

#include <optional>
#include <string>

#include "share/src/item_provider.h"
#include "share/src/main_executor.h"
#include "share/src/share_platform.h"
#include "share/src/task.h"

namespace zorvs::share {

// Loads the picture `provider` offers and writes it as
// "<lowercase uuid>.<extension>" into the staging directory. Returns the new
// file's absolute path, or nothing when no picture could be staged; never
// overwrites or removes a file.
Task<std::optional<std::string>> writeImage(SharePlatform& platform, MainExecutor& executor,
                                            ItemProvider& provider);

}  // namespace zorvs::share
