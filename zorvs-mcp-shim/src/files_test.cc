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

// More pieces than one gather write takes, empty ones and long ones among
// them, and more bytes than a pipe holds, written to a slow reader that
// keeps the writes partial.
TEST(Files, WritesPiecesThroughAPipe) {
  std::vector<std::string> texts;
  std::string expected;
  for (int i = 0; i < 3000; ++i) {
    const size_t size = i % 7 == 0 ? 0 : i % 500 == 1 ? 100'000 + i : 1 + i % 2000;
    texts.push_back(std::string(size, static_cast<char>('a' + i % 26)));
    expected += texts.back();
  }
  const std::vector<std::string_view> pieces(texts.begin(), texts.end());
  bool written = false;
  const std::string received =
      testing::through_interrupted_pipe([&](int fd) { return write_all(fd, pieces); }, written);
  EXPECT_TRUE(written);
  EXPECT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected);
}

TEST(Files, ParentDir) {
  EXPECT_EQ(parent_dir("/a/b"), "/a");
  EXPECT_EQ(parent_dir("/b"), "/");
  EXPECT_EQ(parent_dir("a/b"), "a");
  EXPECT_EQ(parent_dir("b"), std::nullopt);
}

}  // namespace
}  // namespace zorvs_mcp
