// Atomic file creation, for every platform of the share extension.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zorvs::share::files {

// Writes `bytes` to a new file at `path` in one step: they go to a hidden
// temporary file in the same directory, are flushed to disk, and the file is
// then linked under `path`. Returns false when any step fails; then nothing
// is left under `path` nor beside it. An existing file at `path` is never
// replaced: a staged picture belongs to the host app.
bool write_file_atomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace zorvs::share::files
