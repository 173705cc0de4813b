#include "share/src/standin/rgba_image.h"

#include <png.h>

#include <cstring>
#include <limits>

namespace zorvs::share::standin {

std::optional<std::uint64_t> rgba_size(std::uint32_t width, std::uint32_t height) {
  std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
  if (pixels > std::numeric_limits<std::uint64_t>::max() / 4) return std::nullopt;
  return pixels * 4;
}

std::optional<Bytes> RgbaImage::png_data() const {
  if (width_ == 0 || height_ == 0 || rgba_size(width_, height_) != rgba_.size())
    return std::nullopt;
  // libpng takes the row stride as a signed 32-bit count.
  if (width_ > static_cast<std::uint32_t>(std::numeric_limits<png_int_32>::max() / 4)) {
    return std::nullopt;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = width_;
  image.height = height_;
  image.format = PNG_FORMAT_RGBA;
  auto stride = static_cast<png_int_32>(width_ * 4);
  png_alloc_size_t size = 0;
  // First pass measures, second pass writes.
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba_.data(), stride, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  Bytes png(size);
  if (!png_image_write_to_memory(&image, png.data(), &size, 0, rgba_.data(), stride, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  png.resize(size);
  return png;
}

}  // namespace zorvs::share::standin
