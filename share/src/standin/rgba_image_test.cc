#include "share/src/standin/rgba_image.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <utility>

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

// Decodes 8-bit RGBA PNG data with libpng's size limits lifted.
std::optional<Bytes> decode_unlimited(const Bytes& png) {
  struct Source {
    const Bytes& png;
    std::size_t at = 8;
  } source{png};
  if (png.size() < 8 || png_sig_cmp(png.data(), 0, 8) != 0) return std::nullopt;
  png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(reader);
  Bytes pixels;
  if (setjmp(png_jmpbuf(reader))) {
    png_destroy_read_struct(&reader, &info, nullptr);
    return std::nullopt;
  }
  png_set_user_limits(reader, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_sig_bytes(reader, 8);
  png_set_read_fn(reader, &source, [](png_structp p, png_bytep out, png_size_t n) {
    auto* from = static_cast<Source*>(png_get_io_ptr(p));
    if (from->png.size() - from->at < n) png_error(p, "truncated");
    std::memcpy(out, from->png.data() + from->at, n);
    from->at += n;
  });
  png_read_info(reader, info);
  std::size_t row = png_get_rowbytes(reader, info);
  pixels.resize(row * png_get_image_height(reader, info));
  for (std::size_t at = 0; at < pixels.size(); at += row) {
    png_read_row(reader, &pixels[at], nullptr);
  }
  png_destroy_read_struct(&reader, &info, nullptr);
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

// Width and height from the PNG header, which follows the 8-byte signature
// and the chunk's length and type.
std::pair<std::uint32_t, std::uint32_t> header_size(const Bytes& png) {
  auto word = [&](size_t at) {
    return std::uint32_t{png[at]} << 24 | std::uint32_t{png[at + 1]} << 16 |
           std::uint32_t{png[at + 2]} << 8 | std::uint32_t{png[at + 3]};
  };
  return {word(16), word(20)};
}

// PNG allows sides up to 2^31 - 1 pixels; libpng's default limit of one
// million is a guard for reading, not a limit of the format.
TEST(RgbaImage, EncodesPicturesWiderOrTallerThanAMillionPixels) {
  const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{1'000'001, 1}, {1, 1'000'001}};
  for (auto [width, height] : sizes) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    Bytes rgba(std::size_t{width} * height * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<std::uint8_t>(i % 251);
    std::optional<Bytes> png = RgbaImage(width, height, rgba).png_data();
    ASSERT_TRUE(png);
    ASSERT_GE(png->size(), 24u);
    EXPECT_EQ(header_size(*png), std::make_pair(width, height));
    EXPECT_EQ(decode_unlimited(*png), rgba);
  }
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
