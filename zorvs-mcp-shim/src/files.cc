#include "files.h"

#include <fcntl.h>
#include <limits.h>
#if defined(__linux__)
#include <sys/mman.h>
#endif
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
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

#if defined(__linux__)
namespace {

// Pieces this long have their whole pages handed to a pipe, not copied.
constexpr std::size_t kMinHandedOver = 64 << 10;

// Hands the pages [begin, end) to the pipe `fd` and then drops them from
// this process. The pipe holds the pages themselves, not copies, until the
// reader takes them, and a reader that splices them on (to a file, another
// pipe, a socket) passes the pages along as they are; so they must never be
// written again here. Dropped, they are gone from this process: the next
// touch of those addresses maps fresh zeroed pages.
bool hand_pages_over(int fd, char* begin, char* end) {
  iovec left{begin, static_cast<std::size_t>(end - begin)};
  bool written = true;
  while (left.iov_len > 0) {
    const ssize_t n = ::vmsplice(fd, &left, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;  // what went in before the failure is in the pipe all the same
      break;
    }
    left.iov_base = static_cast<char*>(left.iov_base) + n;
    left.iov_len -= static_cast<std::size_t>(n);
  }
  // Private memory that is not locked is always dropped, and this process
  // locks none; were it kept, a later write could change bytes the reader
  // has not taken yet, so the process ends instead.
  if (::madvise(begin, static_cast<std::size_t>(end - begin), MADV_DONTNEED) != 0) std::abort();
  return written;
}

bool is_pipe(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode);
}

}  // namespace
#endif

bool hand_over_all(int fd, std::span<const std::string_view> pieces) {
#if defined(__linux__)
  const auto is_long = [](std::string_view piece) { return piece.size() >= kMinHandedOver; };
  if (std::none_of(pieces.begin(), pieces.end(), is_long) || !is_pipe(fd)) {
    return write_all(fd, pieces);
  }
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  // What goes by copy since the last pages handed over: short pieces and
  // the partial pages at both ends of long ones.
  std::vector<std::string_view> copied;
  for (std::string_view piece : pieces) {
    const auto start = reinterpret_cast<std::uintptr_t>(piece.data());
    const std::uintptr_t begin = (start + page - 1) & ~(page - 1);
    const std::uintptr_t end = (start + piece.size()) & ~(page - 1);
    if (!is_long(piece) || begin >= end) {
      copied.push_back(piece);
      continue;
    }
    copied.push_back(piece.substr(0, begin - start));
    if (!write_all(fd, copied)) return false;
    copied.clear();
    if (!hand_pages_over(fd, reinterpret_cast<char*>(begin), reinterpret_cast<char*>(end))) {
      return false;
    }
    copied.push_back(piece.substr(end - start));
  }
  return write_all(fd, copied);
#else
  return write_all(fd, pieces);
#endif
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

bool replace_file(const std::string& given_path, std::string_view content) {
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
  ok = ok && write_all(fd, content) && ::fsync(fd) == 0;
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
