// macOS and every system but Linux: nothing beyond POSIX. Whether macOS
// has speedups of its own that pay is for a benchmark run on a Mac to show.
#include "platform.h"

#include <string_view>
#include <vector>

#include "files.h"

namespace zorvs_mcp {

void tune_memory() {}

void widen_pipe(int) {}

bool write_reply(int fd, Reply reply) {
  std::vector<std::string_view> spans = reply.text.spans();
  spans.push_back("\n");
  return write_all(fd, spans);
}

}  // namespace zorvs_mcp
