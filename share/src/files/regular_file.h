// Reading a shared file whole, for every platform of the share extension.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zorvs::share::files {

// The whole content of the regular file at `path`, or nothing when there is
// none there or it cannot be read. Anything else (a FIFO, a device, a
// directory) gives nothing at once: it is opened without waiting for a writer
// and refused before a byte is read. A path with a NUL byte names no file.
std::optional<std::vector<std::uint8_t>> read_regular_file(const std::string& path);

}  // namespace zorvs::share::files
