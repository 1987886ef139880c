#include "image/PngFile.h"

#include <png.h>

#include <csetjmp>

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

}  // namespace

std::vector<unsigned char> EncodePng(const unsigned char* pixels, int width, int height) {
  std::vector<unsigned char> bytes;
  if (!pixels || width < 1 || height < 1) return bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return bytes;
  }
  // libpng reports errors by jumping back here.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &bytes, AppendBytes, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const size_t rowBytes = 3 * static_cast<size_t>(width);
  for (int row = height - 1; row >= 0; --row)
    png_write_row(png, const_cast<png_bytep>(pixels + static_cast<size_t>(row) * rowBytes));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}
