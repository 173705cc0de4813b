// The stand-in platform's image object: a decoded picture of 8-bit RGBA
// pixels, row by row, encoded to PNG with libpng on request.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "share/src/item_provider.h"

namespace zorvs::share::standin {

class RgbaImage final : public ImageObject {
 public:
  // `rgba` holds width * height pixels of four bytes each.
  RgbaImage(std::uint32_t width, std::uint32_t height, Bytes rgba)
      : width_(width), height_(height), rgba_(std::move(rgba)) {}

  // Nothing when the picture is empty, its pixels do not match its size, or
  // libpng fails.
  std::optional<Bytes> png_data() const override;

 private:
  std::uint32_t width_;
  std::uint32_t height_;
  Bytes rgba_;
};

// Width * height * 4, or nothing when that overflows.
std::optional<std::uint64_t> rgba_size(std::uint32_t width, std::uint32_t height);

}  // namespace zorvs::share::standin
