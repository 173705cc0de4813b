#include "controls/src/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zorvs::controls {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

std::optional<std::string> readAll(int fd) {
  std::string content;
  char buffer[16384];
  while (true) {
    ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count == 0) return content;
    if (count < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    content.append(buffer, static_cast<size_t>(count));
  }
}

}  // namespace

std::optional<std::string> readRegularFile(const std::filesystem::path& path) {
  // Non-blocking, so that opening a pipe without a writer does not hang.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return readAll(file.get());
}

}  // namespace zorvs::controls
