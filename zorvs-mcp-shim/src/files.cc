#include "files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <vector>

namespace zorvs_mcp {

bool write_all(int fd, std::string_view content) {
  while (!content.empty()) {
    ssize_t n = ::write(fd, content.data(), content.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    content.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool write_all(int fd, std::span<const std::string_view> pieces) {
  std::vector<iovec> vectors;
  for (std::string_view piece : pieces) {
    if (!piece.empty()) vectors.push_back({const_cast<char*>(piece.data()), piece.size()});
  }
  std::span<iovec> left(vectors);
  while (!left.empty()) {
    const int count = static_cast<int>(std::min<std::size_t>(left.size(), IOV_MAX));
    ssize_t n = ::writev(fd, left.data(), count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    // Drop what was written: whole pieces, then the front of a partial one.
    auto written = static_cast<std::size_t>(n);
    while (!left.empty() && written >= left.front().iov_len) {
      written -= left.front().iov_len;
      left = left.subspan(1);
    }
    if (written > 0) {
      left.front().iov_base = static_cast<char*>(left.front().iov_base) + written;
      left.front().iov_len -= written;
    }
  }
  return true;
}

std::optional<std::string> read_file(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string content;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    content.reserve(static_cast<size_t>(info.st_size));
  }
  char chunk[65536];
  while (true) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;  // a directory reads as EISDIR
    }
    if (n == 0) break;
    content.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return content;
}

void create_directories(const std::string& dir) {
  for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    std::string prefix = dir.substr(0, slash);
    if (!prefix.empty()) ::mkdir(prefix.c_str(), 0777);
    if (slash == std::string::npos) break;
  }
}

namespace {

// The file that writing to `path` would reach: symbolic links followed to
// the first name that is not one (which need not exist yet).
std::string link_target(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) == sizeof target) break;
    std::string next(target, static_cast<size_t>(n));
    if (next[0] != '/') {
      const size_t slash = path.rfind('/');
      next = slash == std::string::npos ? next : path.substr(0, slash + 1) + next;
    }
    path = std::move(next);
  }
  return path;
}

}  // namespace

bool replace_file(const std::string& path, std::string_view content) {
  return replace_file(path, std::span(&content, 1));
}

bool replace_file(const std::string& given_path, std::span<const std::string_view> pieces) {
  // Replacing must keep what writing in place would keep: a link stays a
  // link to the replaced file, and the file keeps its permission bits.
  const std::string path = link_target(given_path);
  std::random_device random;
  std::string temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(random());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat old {};
  bool ok = true;
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && write_all(fd, pieces) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
  ::unlink(temp.c_str());
  return false;
}

std::optional<std::string> parent_dir(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace zorvs_mcp
