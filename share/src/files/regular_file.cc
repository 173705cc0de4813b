#include "share/src/files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zorvs::share::files {
namespace {

// Reads `fd` to its end; false on a read error.
bool read_all(int fd, std::vector<std::uint8_t>& bytes) {
  std::uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> read_regular_file(const std::string& path) {
  // c_str() would end the path at the NUL and name another file.
  if (path.find('\0') != std::string::npos) return std::nullopt;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  // It changes nothing for the regular file that is then read.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::vector<std::uint8_t> bytes;
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && read_all(fd, bytes);
  ::close(fd);
  if (!ok) return std::nullopt;
  return bytes;
}

}  // namespace zorvs::share::files
