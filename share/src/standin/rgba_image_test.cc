#include "share/src/standin/rgba_image.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

namespace zorvs::share::standin {
namespace {

// Decodes PNG data back to RGBA pixels with libpng.
std::optional<Bytes> decode(const Bytes& png, std::uint32_t& width, std::uint32_t& height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGBA;
  Bytes pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return std::nullopt;
  width = image.width;
  height = image.height;
  return pixels;
}

TEST(RgbaImage, EncodesToPngThatDecodesToTheSamePixels) {
  Bytes rgba;
  for (int i = 0; i < 3 * 2 * 4; ++i) rgba.push_back(static_cast<std::uint8_t>(i * 10));
  std::optional<Bytes> png = RgbaImage(3, 2, rgba).png_data();
  ASSERT_TRUE(png);
  ASSERT_GE(png->size(), 8u);
  EXPECT_EQ(Bytes(png->begin(), png->begin() + 4), (Bytes{0x89, 'P', 'N', 'G'}));
  std::uint32_t width = 0, height = 0;
  EXPECT_EQ(decode(*png, width, height), rgba);
  EXPECT_EQ(width, 3u);
  EXPECT_EQ(height, 2u);
}

TEST(RgbaImage, HasNoPngFormWhenEmptyOrInconsistent) {
  EXPECT_EQ(RgbaImage(0, 0, {}).png_data(), std::nullopt);
  EXPECT_EQ(RgbaImage(0, 5, {}).png_data(), std::nullopt);
  EXPECT_EQ(RgbaImage(2, 2, Bytes(15)).png_data(), std::nullopt);
}

TEST(RgbaSize, RefusesOverflow) {
  EXPECT_EQ(rgba_size(3, 2), 24u);
  EXPECT_EQ(rgba_size(0xFFFFFFFFu, 0xFFFFFFFFu), std::nullopt);
}

}  // namespace
}  // namespace zorvs::share::standin
