#include "share/src/files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace zorvs::share::files {
namespace {

bool write_all(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return true;
}

// "<dir>/.<name>.XXXXXX": hidden, beside the target, so that the final link
// stays within one file system.
std::vector<char> temporary_template(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string pattern = directory + "." + name + ".XXXXXX";
  return std::vector<char>(pattern.c_str(), pattern.c_str() + pattern.size() + 1);
}

}  // namespace

bool write_file_atomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::vector<char> temporary = temporary_template(path);
  int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // Readable by the host app like any file it would write itself.
  bool ok = ::fchmod(fd, 0644) == 0 && write_all(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  // link() refuses an existing target, unlike rename().
  ok = ok && ::link(temporary.data(), path.c_str()) == 0;
  ::unlink(temporary.data());
  return ok;
}

}  // namespace zorvs::share::files
