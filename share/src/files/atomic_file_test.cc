#include "share/src/files/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "share/src/testing/temporary_directory.h"

namespace zorvs::share::files {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }

  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    return names;
  }
  static std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  testing::TemporaryDirectory temporary_{"zorvs-atomic"};
  fs::path dir_ = temporary_.path();
};

std::vector<std::uint8_t> bytes_of(std::string_view text) {
  return {text.begin(), text.end()};
}

TEST_F(AtomicFileTest, WritesTheWholeFileReadableByOthersAndNothingElse) {
  std::string target = dir_ / "a.png";
  ASSERT_TRUE(write_file_atomically(target, bytes_of("picture")));
  EXPECT_EQ(contents(target), "picture");
  EXPECT_EQ(entries(), std::vector<std::string>{"a.png"});
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                fs::perms::others_read);
}

TEST_F(AtomicFileTest, NeverReplacesAnExistingFile) {
  std::string target = dir_ / "a.png";
  std::ofstream(target) << "earlier share";
  EXPECT_FALSE(write_file_atomically(target, bytes_of("later share")));
  EXPECT_EQ(contents(target), "earlier share");
  EXPECT_EQ(entries(), std::vector<std::string>{"a.png"});
}

TEST_F(AtomicFileTest, FailsInAMissingDirectory) {
  EXPECT_FALSE(write_file_atomically(dir_ / "missing" / "a.png", bytes_of("x")));
  EXPECT_TRUE(entries().empty());
}

// A write that runs out of room half-way (here: the file size limit) leaves
// neither the target nor the temporary file behind.
TEST_F(AtomicFileTest, AWriteFailingHalfWayLeavesNoFile) {
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto saved_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool written = write_file_atomically(dir_ / "big.png", std::vector<std::uint8_t>(8192, 7));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, saved_handler);
  EXPECT_FALSE(written);
  EXPECT_TRUE(entries().empty());
}

}  // namespace
}  // namespace zorvs::share::files
