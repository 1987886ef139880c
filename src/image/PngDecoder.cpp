// PNG through libpng's simplified interface: 8 or 16 bits, grey, palette or colour, alpha laid
// over black, rows written bottom-up straight into the buffer.

#include "image/Photograph.h"

#include <png.h>

CPhotoReadResult DecodePng(const unsigned char* bytes, size_t size) {
  CPhotoReadResult result;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes, size)) {
    result.reason = std::string("the PNG file is damaged: ") + png.message;
    return result;
  }
  if (png.width < 1 || png.height < 1 || png.width > 0x7FFFFFFF || png.height > 0x7FFFFFFF ||
      !PixelBytesWithinLimit(static_cast<int>(png.width), static_cast<int>(png.height))) {
    result.reason = "the PNG picture of " + std::to_string(png.width) + " x " + std::to_string(png.height) +
                    " pixels is larger than 1 GiB";
    png_image_free(&png);
    return result;
  }
  CPixelImage image;
  image.width = static_cast<int>(png.width), image.height = static_cast<int>(png.height);
  image.pixels = AllocateZeroedPixels(image.ByteCount());
  if (!image.pixels) {
    result.reason = "there is not enough memory for the picture";
    png_image_free(&png);
    return result;
  }
  png.format = PNG_FORMAT_RGB;
  // 16-bit samples without a gAMA chunk are sRGB-encoded like 8-bit ones, not linear light.
  png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  const png_color black = {0, 0, 0};
  // A negative stride starts at the last row, so the first row of the file lands on top.
  const png_int_32 stride = -static_cast<png_int_32>(3 * png.width);
  if (!png_image_finish_read(&png, &black, image.pixels.get(), stride, nullptr)) {
    result.reason = std::string("the PNG file is damaged or truncated: ") + png.message;
    png_image_free(&png);
    return result;
  }
  result.image = std::move(image);
  return result;
}
