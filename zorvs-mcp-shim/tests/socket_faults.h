// Faults a test host can make on a connection of its own (served through
// zorvs::hostsim::SocketServer): resetting it instead of closing it.
#pragma once

namespace zorvs_mcp::testing {

// Makes closing `fd` abort the connection (SO_LINGER with a zero time).
// With data sent to `fd` still unread at the close, the peer's next read
// then fails with a reset instead of seeing the end of the stream, where
// the platform does so (`closing_unread_resets()`).
void reset_on_close(int fd);
// Whether closing a Unix stream socket that holds unread data resets its
// peer on this platform (Linux does; others may just end the stream).
bool closing_unread_resets();

}  // namespace zorvs_mcp::testing
