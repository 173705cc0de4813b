#include "share/src/files/regular_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "share/src/testing/temporary_directory.h"

namespace zorvs::share::files {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class RegularFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }

  std::string file(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return dir_ / name;
  }

  testing::TemporaryDirectory temporary_{"zorvs-regular-file"};
  fs::path dir_ = temporary_.path();
};

TEST_F(RegularFileTest, ReadsARegularFileWhole) {
  std::string bytes("\x89PNG\0\xFF", 6);
  bytes += std::string(200000, 'x');  // more than one read
  EXPECT_EQ(read_regular_file(file("a.png", bytes)), Bytes(bytes.begin(), bytes.end()));
  EXPECT_EQ(read_regular_file(file("empty.png", "")), Bytes{});
  fs::create_symlink(dir_ / "a.png", dir_ / "link.png");
  EXPECT_EQ(read_regular_file(dir_ / "link.png"), Bytes(bytes.begin(), bytes.end()));
}

TEST_F(RegularFileTest, GivesNothingForWhatIsNotARegularFile) {
  file("secret", "not the picture");
  fs::create_directory(dir_ / "folder.png");
  struct Case {
    const char* name;
    std::string path;
  };
  const Case cases[] = {
      {"missing", dir_ / "missing.png"},
      {"directory", dir_ / "folder.png"},
      {"endless device", "/dev/zero"},
      {"NUL inside the path", (dir_ / "secret").string() + std::string("\0.png", 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(read_regular_file(c.path), std::nullopt);
  }
}

// A FIFO with no writer: reading must not wait for one. Should the reader
// wait anyway, a writer turns up after ten seconds to release it, and the
// test fails instead of hanging.
TEST_F(RegularFileTest, GivesNothingForAFifoAtOnce) {
  std::string fifo = dir_ / "pipe.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::mutex mutex;
  std::condition_variable returned;
  bool done = false;
  bool released = false;
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (returned.wait_for(lock, std::chrono::seconds(10), [&] { return done; })) return;
    int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    released = fd >= 0;
    if (fd >= 0) ::close(fd);
  });
  std::optional<Bytes> bytes = read_regular_file(fifo);
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  returned.notify_one();
  watchdog.join();
  EXPECT_FALSE(released) << "the read waited for a writer";
  EXPECT_EQ(bytes, std::nullopt);
}

}  // namespace
}  // namespace zorvs::share::files
