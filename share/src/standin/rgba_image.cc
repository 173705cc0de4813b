#include "share/src/standin/rgba_image.h"

#include <png.h>

#include <csetjmp>
#include <limits>

namespace zorvs::share::standin {
namespace {

// libpng reports errors by a long jump back to write_png, and warnings not at
// all: the share extension shows no text.
[[noreturn]] void on_error(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void on_warning(png_structp, png_const_charp) {}

void append(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

// Encodes `rgba` row by row into `out`; false when libpng fails. Only plain
// values live in this frame, so the long jump of an error skips no
// destructor.
bool write_png(png_structp png, png_infop info, std::uint32_t width, std::uint32_t height,
               const Bytes& rgba, Bytes& out) {
  if (setjmp(png_jmpbuf(png))) return false;
  // PNG allows sides of up to 2^31 - 1 pixels; libpng's default limit of one
  // million guards its readers and would refuse larger pictures.
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_write_fn(png, &out, append, nullptr);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t row = std::size_t{width} * 4;
  for (std::size_t at = 0; at < rgba.size(); at += row) png_write_row(png, &rgba[at]);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::optional<std::uint64_t> rgba_size(std::uint32_t width, std::uint32_t height) {
  std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
  if (pixels > std::numeric_limits<std::uint64_t>::max() / 4) return std::nullopt;
  return pixels * 4;
}

std::optional<Bytes> RgbaImage::png_data() const {
  if (width_ == 0 || height_ == 0 || rgba_size(width_, height_) != rgba_.size())
    return std::nullopt;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  Bytes out;
  bool written = info && write_png(png, info, width_, height_, rgba_, out);
  png_destroy_write_struct(&png, &info);
  if (!written) return std::nullopt;
  return out;
}

}  // namespace zorvs::share::standin
