#include "controls/src/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "controls/src/testing/temp_dir.h"

namespace zorvs::controls {
namespace {

TEST(RegularFile, ReadsRegularFilesWholeAndNothingElse) {
  TempDir dir;
  std::string content = "{\"version\":1}" + std::string(100000, ' ') + std::string("\0end", 4);
  auto file = dir.write("index.json", content);
  std::filesystem::create_directory(dir.path() / "a-directory");
  ASSERT_EQ(::mkfifo((dir.path() / "a-pipe").c_str(), 0600), 0);
  std::filesystem::create_symlink(file, dir.path() / "a-link");

  EXPECT_EQ(readRegularFile(file), content);
  EXPECT_EQ(readRegularFile(dir.path() / "a-link"), content);
  EXPECT_EQ(readRegularFile(dir.write("empty", "")), "");
  EXPECT_EQ(readRegularFile(dir.path() / "missing"), std::nullopt);
  EXPECT_EQ(readRegularFile(dir.path() / "a-directory"), std::nullopt);
  EXPECT_EQ(readRegularFile(dir.path() / "a-pipe"), std::nullopt);  // and does not block
}

}  // namespace
}  // namespace zorvs::controls
