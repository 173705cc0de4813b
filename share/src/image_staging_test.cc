#include "share/src/image_staging.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>

#include "share/src/testing/test_platform.h"

namespace zorvs::share {
namespace {

using testing::Attachment;
using testing::Item;
using testing::TestPlatform;

const std::string kPngBytes("\x89PNG\r\n\x1a\nrest", 12);
const std::string kJpegBytes("\xFF\xD8\xFF\xE0jfif", 8);
const std::string kGifBytes("GIF89a\x01\x00", 8);
const std::string kTiffBytes("II*\x00tiff", 8);

// A fixture whose platform offers one picture attachment and a scratch
// directory for shared files.
class StagingTest : public ::testing::Test {
 public:
  // Stages the picture an attachment delivering `item` offers.
  std::optional<std::string> stage(LoadedItem item) {
    return stage(testing::picture(std::move(item)));
  }
  std::optional<std::string> stage(const Attachment& attachment) {
    platform_.set_items({Item{{}, {}, {attachment}}});
    return platform_.run(writeImage(platform_, platform_.executor(), platform_.provider(0, 0)));
  }

  // A shared file with `name` and `bytes`, as the file URL that loads.
  LoadedItem shared_file(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(files_);
    std::ofstream(files_ + "/" + name, std::ios::binary) << bytes;
    return testing::url_item("file://" + files_ + "/" + name);
  }

  static std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  TestPlatform platform_;
  std::string files_ = platform_.home() + "/files";
};

TEST_F(StagingTest, StagesBytesUnchangedUnderTheRightExtension) {
  struct Case {
    const char* name;
    std::function<LoadedItem(StagingTest&)> item;
    std::string extension;
    std::string bytes;
  };
  const Case cases[] = {
      {"png data", [](StagingTest&) { return testing::bytes_item(kPngBytes); }, "png", kPngBytes},
      {"jpeg data", [](StagingTest&) { return testing::bytes_item(kJpegBytes); }, "jpg",
       kJpegBytes},
      {"gif data", [](StagingTest&) { return testing::bytes_item(kGifBytes); }, "png", kGifBytes},
      {"data shorter than a signature", [](StagingTest&) { return testing::bytes_item("\x89PN"); },
       "png", "\x89PN"},
      {"one FF byte", [](StagingTest&) { return testing::bytes_item("\xFF"); }, "png", "\xFF"},
      {"file with capital JPG",
       [](StagingTest& t) { return t.shared_file("Photo.JPG", kJpegBytes); }, "jpg", kJpegBytes},
      {"file with tif", [](StagingTest& t) { return t.shared_file("scan.tif", kTiffBytes); }, "png",
       kTiffBytes},
      {"file without extension",
       [](StagingTest& t) { return t.shared_file("picture", kJpegBytes); }, "png", kJpegBytes},
      {"file with heic", [](StagingTest& t) { return t.shared_file("live.HeIc", "heic-bytes"); },
       "heic", "heic-bytes"},
      {"png file holding jpeg bytes",
       [](StagingTest& t) { return t.shared_file("odd.png", kJpegBytes); }, "png", kJpegBytes},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<std::string> path = stage(c.item(*this));
    ASSERT_TRUE(path);
    EXPECT_EQ(std::filesystem::path(*path).extension().string(), "." + c.extension);
    EXPECT_EQ(contents(*path), c.bytes);
  }
}

TEST_F(StagingTest, StagesAnImageObjectAsPng) {
  Bytes rgba = {255, 0, 0, 255, 0, 255, 0, 128};
  std::optional<std::string> path = stage(testing::image_item(2, 1, rgba));
  ASSERT_TRUE(path);
  EXPECT_TRUE(path->ends_with(".png"));
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path->c_str()));
  image.format = PNG_FORMAT_RGBA;
  Bytes decoded(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, decoded.data(), 0, nullptr));
  EXPECT_EQ(decoded, rgba);
}

TEST_F(StagingTest, StagesNothingAndWritesNoFileWhenThereIsNoPicture) {
  struct Case {
    const char* name;
    std::function<LoadedItem(StagingTest&)> item;
  };
  const Case cases[] = {
      {"zero bytes of data", [](StagingTest&) { return testing::bytes_item(""); }},
      {"an empty file", [](StagingTest& t) { return t.shared_file("empty.png", ""); }},
      {"a missing file",
       [](StagingTest& t) { return testing::url_item("file://" + t.files_ + "/gone.png"); }},
      {"a remote URL", [](StagingTest&) { return testing::url_item("https://e.org/a.png"); }},
      {"a path that decodes to a NUL byte",
       [](StagingTest& t) {
         t.shared_file("secret", kPngBytes);
         return testing::url_item("file://" + t.files_ + "/secret%00.png");
       }},
      {"a directory",
       [](StagingTest& t) {
         std::filesystem::create_directories(t.files_ + "/folder.png");
         return testing::url_item("file://" + t.files_ + "/folder.png");
       }},
      {"an image object without PNG form",
       [](StagingTest&) { return testing::image_item(0, 0, {}); }},
      {"a string", [](StagingTest&) { return LoadedItem{std::string("picture")}; }},
      {"a load error", [](StagingTest&) { return LoadedItem{LoadError{"no"}}; }},
      {"nothing delivered", [](StagingTest&) { return LoadedItem{NothingDelivered{}}; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(stage(c.item(*this)), std::nullopt);
    EXPECT_EQ(platform_.staged_files(), std::vector<std::string>{});
  }
}

TEST_F(StagingTest, EachShareIsANewFileNamedByALowercaseUuid) {
  std::optional<std::string> first = stage(testing::bytes_item(kPngBytes));
  std::optional<std::string> second = stage(testing::bytes_item(kPngBytes));
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  const std::regex name("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\.png");
  for (const std::string& path : {*first, *second}) {
    EXPECT_EQ(std::filesystem::path(path).parent_path().string(), platform_.staging_directory());
    EXPECT_TRUE(std::regex_match(std::filesystem::path(path).filename().string(), name)) << path;
    EXPECT_EQ(path.front(), '/');
  }
  EXPECT_EQ(platform_.staged_files().size(), 2u);
}

TEST_F(StagingTest, AFailedWriteGivesNoPathAndLeavesNoFile) {
  platform_.fail_writes = true;
  EXPECT_EQ(stage(testing::bytes_item(kPngBytes)), std::nullopt);
  EXPECT_EQ(platform_.staged_files(), std::vector<std::string>{});
}

TEST_F(StagingTest, WithoutAContainerTheProviderIsNotEvenLoaded) {
  platform_.remove_container();
  EXPECT_EQ(stage(testing::bytes_item(kPngBytes)), std::nullopt);
  EXPECT_TRUE(platform_.provider(0, 0).loads().empty());
}

TEST_F(StagingTest, ARelativeContainerGivesNoPathAndThePictureIsNotLoaded) {
  platform_.set_container("Library/Group Containers/group");
  EXPECT_EQ(stage(testing::bytes_item(kPngBytes)), std::nullopt);
  EXPECT_TRUE(platform_.provider(0, 0).loads().empty());
}

TEST_F(StagingTest, EndsSecurityScopedAccessItWasGrantedEvenWhenTheReadFails) {
  EXPECT_EQ(stage(testing::url_item("file://" + files_ + "/missing.png")), std::nullopt);
  EXPECT_EQ(platform_.scope_starts(), 1);
  EXPECT_EQ(platform_.scope_stops(), 1);
  platform_.grant_security_scope = false;
  EXPECT_TRUE(stage(shared_file("ok.png", kPngBytes)));
  EXPECT_EQ(platform_.scope_stops(), 1);
}

TEST_F(StagingTest, LoadsThePictureOfAProviderThatOnlyListsASpecificImageType) {
  Attachment png_only{{"public.png"}, {{"public.png", testing::bytes_item(kPngBytes)}}};
  std::optional<std::string> path = stage(png_only);
  ASSERT_TRUE(path);
  EXPECT_EQ(contents(*path), kPngBytes);
}

}  // namespace
}  // namespace zorvs::share
