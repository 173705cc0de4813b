// What the bridge asks of the operating system beyond POSIX to relay large
// replies fast. One implementation per system: platform_linux.cc, and
// platform_posix.cc for macOS and the rest, which asks for nothing more.
#pragma once

#include "conn.h"

namespace zorvs_mcp {

// Prepares the allocator for messages of many megabytes; called once, at
// start.
void tune_memory();

// Lets the pipe `fd` (standard output, when Claude Desktop gives a pipe)
// hold a large answer in few turns of writer and reader. Nothing happens
// when `fd` is no pipe or the system refuses.
void widen_pipe(int fd);

// Writes the canonical text of `reply` and a line feed to `fd`, and frees
// the reply. False when a write fails; how much was written is then unknown.
bool write_reply(int fd, Reply reply);

}  // namespace zorvs_mcp
