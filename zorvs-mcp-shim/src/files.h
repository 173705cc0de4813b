// Writing a descriptor whole, whole-file reads, and replacing writes for the
// tool-list cache.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zorvs_mcp {

// Writes all of `content` to `fd`, repeating interrupted and partial writes.
// False when a write fails; how much was written is then unknown.
bool write_all(int fd, std::string_view content);
// The same for `pieces` written one after another, with one gather write
// where the system takes them all at once.
bool write_all(int fd, std::span<const std::string_view> pieces);

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<std::string> read_file(const std::string& path);

// Creates `dir` and every missing directory above it (0777 before umask).
// Errors are ignored: the caller finds out when it writes.
void create_directories(const std::string& dir);

// Replaces the file at `path` with `pieces` one after another (or with
// `content`): written to a temporary file in the same directory and renamed
// over `path`, so that a reader, or a process killed in the middle, never
// sees a partial file. The new file has the old one's permission bits (a new
// one 0666 before umask); when `path` is a symbolic link, the file it points
// to is replaced, in that file's directory, and the link stays. Returns
// false, leaving the file as it was and no temporary file, on failure.
bool replace_file(const std::string& path, std::span<const std::string_view> pieces);
bool replace_file(const std::string& path, std::string_view content);

// The directory part of `path` ("/a/b" -> "/a", "/b" -> "/"), or nothing
// when `path` has no "/".
std::optional<std::string> parent_dir(const std::string& path);

}  // namespace zorvs_mcp
