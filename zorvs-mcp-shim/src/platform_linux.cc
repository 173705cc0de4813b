// Linux: a larger pipe, an allocator that keeps large blocks, the heap on
// huge pages, and replies whose long strings the pipe takes as pages.
#include "platform.h"

#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "files.h"

namespace zorvs_mcp {
namespace {

#if defined(__GLIBC__)
constexpr int kDefaultMmapMax = 65536;  // glibc's M_MMAP_MAX

// A 10 MB tool result is read into a block of its size (and, where its
// long strings cannot be relayed from there, rewritten into another), and
// every fresh 4 KiB page of them costs a fault, which here takes longer than
// relaying the page. Where transparent huge pages are enabled only on
// request, this grows the heap once by more room than such a message takes
// and asks for that room to be backed by 2 MiB pages: one fault then brings
// in 512 pages.
// The room's first partial 2 MiB range, which holds the start of the heap,
// keeps small pages. Nothing is touched here: pages become resident only
// when a message uses them, and freed blocks stay in the heap for the next
// message (see M_TRIM_THRESHOLD).
void advise_huge_heap() {
  constexpr std::uintptr_t kHugePage = 2 << 20;
  constexpr std::size_t kRoom = 48 << 20;
  // One block, taken from the heap although it is above M_MMAP_THRESHOLD:
  // malloc writes its bookkeeping at the ends of blocks, and a 2 MiB range
  // with a page written before the advice stays on small pages.
  mallopt(M_MMAP_MAX, 0);
  void* room = std::malloc(kRoom);
  mallopt(M_MMAP_MAX, kDefaultMmapMax);
  if (room == nullptr) return;
  const auto begin = reinterpret_cast<std::uintptr_t>(room);
  const std::uintptr_t start = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t stop = (begin + kRoom) & ~(kHugePage - 1);
  madvise(reinterpret_cast<void*>(start), stop - start, MADV_HUGEPAGE);
  std::free(room);
}
#endif

// Spans this long have their whole pages handed to the pipe, not copied.
constexpr std::size_t kMinHandedOver = 64 << 10;

// Hands the pages [begin, end) to the pipe `fd` and then drops them from
// this process. The pipe holds the pages themselves, not copies, until the
// reader takes them, and a reader that splices them on (to a file, another
// pipe, a socket) passes the pages along as they are; so they must never be
// written again here. Dropped, they are gone from this process: the next
// touch of those addresses maps fresh zeroed pages. `dropped` tells whether
// that worked.
bool hand_pages_over(int fd, char* begin, char* end, bool& dropped) {
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
  dropped = ::madvise(begin, static_cast<std::size_t>(end - begin), MADV_DONTNEED) == 0;
  return written;
}

bool is_pipe(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode);
}

// Writes `spans` to the pipe `fd`, the whole pages of long ones handed over
// and dropped. False in `all_dropped` when some pages could not be dropped.
bool hand_over(int fd, std::span<const std::string_view> spans, bool& all_dropped) {
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  // What goes by copy since the last pages handed over: short spans and
  // the partial pages at both ends of long ones.
  std::vector<std::string_view> copied;
  for (std::string_view span : spans) {
    const auto start = reinterpret_cast<std::uintptr_t>(span.data());
    const std::uintptr_t begin = (start + page - 1) & ~(page - 1);
    const std::uintptr_t end = (start + span.size()) & ~(page - 1);
    if (span.size() < kMinHandedOver || begin >= end) {
      copied.push_back(span);
      continue;
    }
    copied.push_back(span.substr(0, begin - start));
    if (!write_all(fd, copied)) return false;
    copied.clear();
    bool dropped = true;
    const bool written =
        hand_pages_over(fd, reinterpret_cast<char*>(begin), reinterpret_cast<char*>(end), dropped);
    all_dropped = all_dropped && dropped;
    if (!written) return false;
    copied.push_back(span.substr(end - start));
  }
  return write_all(fd, copied);
}

}  // namespace

void tune_memory() {
#if defined(__GLIBC__)
  // glibc hands a freed block of more than a few megabytes straight back to
  // the system, so every page of the next large message is faulted in
  // afresh, which costs more than relaying it. Serving blocks up to 32 MiB
  // from the heap and keeping up to 64 MiB of freed memory there lets a run
  // of large tool results reuse the same pages.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  advise_huge_heap();
#endif
}

// A pipe holds 64 KiB by default, so a 10 MB answer crosses to the client
// in some 160 turns of writer and reader; with 1 MiB it takes a tenth of
// them. Linux caps the size for unprivileged processes.
void widen_pipe(int fd) {
  fcntl(fd, F_SETPIPE_SZ, 1 << 20);
}

bool write_reply(int fd, Reply reply) {
  std::vector<std::string_view> spans = reply.text.spans();
  spans.push_back("\n");
  const auto is_long = [](std::string_view span) { return span.size() >= kMinHandedOver; };
  if (std::none_of(spans.begin(), spans.end(), is_long) || !is_pipe(fd)) {
    return write_all(fd, spans);
  }
  // The reply is not needed after this: its long strings go to the client
  // page by page instead of being copied.
  bool all_dropped = true;
  const bool written = hand_over(fd, spans, all_dropped);
  if (!all_dropped) {
    // Pages the pipe still holds stay in the reply's memory: it is never
    // freed, so that nothing writes them again. Private memory this process
    // has not locked is always dropped, so this is not expected.
    reply.line.abandon();
    reply.text.written.abandon();
  }
  return written;
}

}  // namespace zorvs_mcp
