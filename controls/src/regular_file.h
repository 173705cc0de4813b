// Reading a whole regular file with POSIX calls, as every platform of the
// extension does for the pattern index.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zorvs::controls {

// The whole content of the regular file at `path`. A directory, a pipe or a
// device in the file's place counts as unreadable, so that a reader never
// blocks on it; so does any failure to open or read.
std::optional<std::string> readRegularFile(const std::filesystem::path& path);

}  // namespace zorvs::controls
