#include "socket_faults.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#if !defined(MSG_NOSIGNAL)
#define MSG_NOSIGNAL 0  // macOS: the test process ignores SIGPIPE instead
#endif

namespace zorvs_mcp::testing {

void reset_on_close(int fd) {
  linger abort{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

bool closing_unread_resets() {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return false;
  (void)::send(pair[0], "x", 1, MSG_NOSIGNAL);
  reset_on_close(pair[1]);
  ::close(pair[1]);
  char byte;
  ssize_t n = ::recv(pair[0], &byte, 1, 0);
  int err = errno;
  ::close(pair[0]);
  return n < 0 && err == ECONNRESET;
}

}  // namespace zorvs_mcp::testing
