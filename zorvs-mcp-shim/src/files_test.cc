#include "files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bridge_process.h"

namespace zorvs_mcp {
namespace {

size_t entries_in(const std::string& dir) {
  size_t count = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir)) ++count;
  return count;
}

TEST(ReplaceFile, FailedWriteLeavesTheOldFileWholeAndNoTemporary) {
  testing::TempDir dir;
  const std::string path = dir / "cache.json";
  testing::write_file(path, "old");
  // In a child limited to 1000-byte files, the write stops part way.
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(replace_file(path, std::string(5000, 'n')) ? 1 : 0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "replace_file reported success";
  EXPECT_EQ(testing::read_whole_file(path), "old");
  EXPECT_EQ(entries_in(dir.path()), 1u);
}

TEST(ReplaceFile, ReadersSeeOnlyWholeVersions) {
  testing::TempDir dir;
  const std::string path = dir / "cache.json";
  const std::string a(200000, 'a'), b(300000, 'b');
  ASSERT_TRUE(replace_file(path, a));
  std::atomic<bool> done = false;
  std::thread writer([&] {
    for (int i = 0; i < 200; ++i) replace_file(path, i % 2 ? a : b);
    done = true;
  });
  size_t reads = 0, torn = 0;
  while (!done) {
    auto content = read_file(path);
    ++reads;
    if (!content || (*content != a && *content != b)) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0u) << "of " << reads << " reads";
  EXPECT_EQ(entries_in(dir.path()), 1u);
}

TEST(Files, ModesDirectoriesAndReads) {
  testing::TempDir dir;
  mode_t old_mask = umask(022);
  const std::string nested = dir / "a/b/c";
  create_directories(nested);
  ASSERT_TRUE(replace_file(nested + "/f", "x"));
  umask(old_mask);
  auto mode = [](const std::string& p) {
    return std::filesystem::status(p).permissions() & std::filesystem::perms::all;
  };
  using std::filesystem::perms;
  EXPECT_EQ(mode(dir / "a"), perms(0755));
  EXPECT_EQ(mode(nested + "/f"), perms(0644));
  EXPECT_EQ(read_file(nested + "/f"), "x");
  EXPECT_FALSE(read_file(nested));  // a directory
  EXPECT_FALSE(read_file(dir / "missing"));
  EXPECT_FALSE(replace_file(dir / "missing-dir/f", "x"));
}

TEST(ReplaceFile, KeepsPermissionBitsAndSymbolicLinks) {
  namespace fs = std::filesystem;
  testing::TempDir dir;
  const mode_t old_mask = umask(022);
  auto mode = [](const std::string& p) { return fs::status(p).permissions() & fs::perms::all; };
  for (const fs::perms kept : {fs::perms(0600), fs::perms(0640), fs::perms(0664)}) {
    const std::string path = dir / "cache.json";
    ASSERT_TRUE(replace_file(path, "old"));
    fs::permissions(path, kept);
    ASSERT_TRUE(replace_file(path, "new"));
    EXPECT_EQ(mode(path), kept);
    EXPECT_EQ(read_file(path), "new");
  }
  umask(old_mask);

  // Links relative and absolute, a chain of two, and one whose file is not
  // there yet: each stays a link, and the file it leads to gets the content.
  fs::create_directories(dir / "real");
  fs::create_directories(dir / "links");
  const struct {
    const char* link;
    std::string points_to;
    const char* file;
  } cases[] = {
      {"links/relative", "../real/a.json", "real/a.json"},
      {"links/absolute", dir / "real/b.json", "real/b.json"},
      {"links/chain", "relative", "real/a.json"},
      {"links/dangling", "../real/new.json", "real/new.json"},
  };
  testing::write_file(dir / "real/a.json", "a");
  testing::write_file(dir / "real/b.json", "b");
  for (const auto& c : cases) {
    fs::create_symlink(c.points_to, dir / c.link);
    ASSERT_TRUE(replace_file(dir / c.link, c.link)) << c.link;
    EXPECT_TRUE(fs::is_symlink(dir / c.link)) << c.link;
    EXPECT_EQ(read_file(dir / c.file), c.link) << c.link;
  }
  EXPECT_EQ(entries_in(dir / "links"), 4u);  // no temporary file left anywhere
  EXPECT_EQ(entries_in(dir / "real"), 3u);
}

using PiecesWriter = bool (*)(int, std::span<const std::string_view>);

// More pieces than one gather write takes, empty ones and long ones among
// them, and more bytes than a pipe holds, written to a slow reader while a
// timer signal keeps interrupting the writes, so that they come back
// partial.
TEST(Files, WritesPiecesThroughAPipe) {
  for (PiecesWriter write : {PiecesWriter{write_all}, PiecesWriter{hand_over_all}}) {
    std::vector<std::string> texts;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
      const size_t size = i % 7 == 0 ? 0 : i % 500 == 1 ? 100'000 + i : 1 + i % 2000;
      texts.push_back(std::string(size, static_cast<char>('a' + i % 26)));
      expected += texts.back();
    }
    std::vector<std::string_view> pieces(texts.begin(), texts.end());
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string received;
    std::thread reader([&] {
      char buffer[4096];
      ssize_t n;
      while ((n = ::read(fds[0], buffer, sizeof buffer)) != 0) {
        if (n < 0) continue;  // interrupted
        received.append(buffer, static_cast<size_t>(n));
        std::this_thread::sleep_for(std::chrono::microseconds(50));
      }
    });
    struct sigaction tick {};
    tick.sa_handler = [](int) {};  // no SA_RESTART: a blocked write returns what it wrote
    struct sigaction before {};
    ASSERT_EQ(::sigaction(SIGALRM, &tick, &before), 0);
    const itimerval every_ms{{0, 1000}, {0, 1000}};
    ::setitimer(ITIMER_REAL, &every_ms, nullptr);
    EXPECT_TRUE(write(fds[1], pieces));
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &before, nullptr);
    ::close(fds[1]);
    reader.join();
    ::close(fds[0]);
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
  }
}

#if defined(__linux__)
// Pieces handed to a pipe reach the reader as they were when handed over,
// even when the reader first splices them on to another pipe (which takes
// the pages themselves along) and the writer's memory is written over
// before anything is read. Long pieces begin and end at page borders and
// off them, and two of them share a page.
TEST(Files, HandedOverPiecesStayAsTheyWere) {
  std::string memory(700'000, '\0');
  for (size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<char>('a' + i * 7 % 26);
  const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  const auto aligned = reinterpret_cast<uintptr_t>(memory.data()) % page;
  const size_t border = aligned == 0 ? 0 : page - aligned;  // index of the first page border
  const std::string_view text(memory);
  const std::vector<std::string_view> pieces = {
      "{\"head\":",
      text.substr(border, 20 * page),  // page borders at both ends
      ",",
      text.substr(border + 21 * page + 1, 200'000),        // off them
      text.substr(border + 21 * page + 200'001, 100'000),  // shares a page with the one before
      "short",
      text.substr(600'000, 70'000),
  };
  std::string expected;
  for (std::string_view piece : pieces) expected += piece;

  int first[2], second[2];
  ASSERT_EQ(::pipe(first), 0);
  ASSERT_EQ(::pipe(second), 0);
  const auto close_all = [&] {
    for (int fd : {first[0], first[1], second[0], second[1]}) ::close(fd);
  };
  if (::fcntl(second[1], F_SETPIPE_SZ, 1 << 20) < static_cast<int>(expected.size())) {
    close_all();
    GTEST_SKIP() << "a pipe cannot hold " << expected.size() << " bytes here";
  }
  size_t moved = 0;
  std::thread mover([&] {
    while (moved < expected.size()) {
      const ssize_t n = ::splice(first[0], nullptr, second[1], nullptr, expected.size() - moved, 0);
      if (n <= 0) break;
      moved += static_cast<size_t>(n);
    }
  });
  EXPECT_TRUE(hand_over_all(first[1], pieces));
  ::close(first[1]);  // a writer that stopped short ends the mover
  first[1] = -1;
  mover.join();
  ASSERT_EQ(moved, expected.size());
  std::fill(memory.begin(), memory.end(), 'X');

  std::string received(expected.size(), '\0');
  size_t got = 0;
  while (got < received.size()) {
    const ssize_t n = ::read(second[0], received.data() + got, received.size() - got);
    ASSERT_GT(n, 0);
    got += static_cast<size_t>(n);
  }
  EXPECT_TRUE(received == expected);
  close_all();
}
#endif

TEST(Files, ParentDir) {
  EXPECT_EQ(parent_dir("/a/b"), "/a");
  EXPECT_EQ(parent_dir("/b"), "/");
  EXPECT_EQ(parent_dir("a/b"), "a");
  EXPECT_EQ(parent_dir("b"), std::nullopt);
}

}  // namespace
}  // namespace zorvs_mcp
