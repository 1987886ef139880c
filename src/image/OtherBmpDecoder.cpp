// BMP files beyond the 24-bit one with the 40-byte header, through stb_image (compiled here, so
// the sanitizers and the fuzzer see it): version 4 and 5 headers, 32-bit with or without bit
// fields, 8-bit palettes, top-down or bottom-up. Compressed variants are refused by name.

#include "image/Photograph.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_NO_THREAD_LOCALS
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wunused-function"
#else
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#endif
#include <stb/stb_image.h>
#if defined(__clang__)
#pragma clang diagnostic pop
#else
#pragma GCC diagnostic pop
#endif

#include <memory>

namespace {

unsigned ReadLe32(const unsigned char* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<unsigned>(bytes[3]) << 24);
}

const char* CompressionProblem(const unsigned char* bytes, size_t size) {
  if (size < 34) return nullptr;
  switch (ReadLe32(bytes + 30)) {
    case 1:
    case 2: return "RLE-compressed BMP files are not supported: save the picture uncompressed";
    case 4:
    case 5: return "BMP files that hold JPEG or PNG data are not supported";
    default: return nullptr;
  }
}

// stb_image reads zeros past the end of a BMP file instead of failing, so the rows the header
// promises are checked here first. True when the file holds them (the last row's padding may
// be missing, as for the 24-bit reader).
bool HoldsItsRows(const unsigned char* bytes, size_t size, int width, int height) {
  if (size < 30) return false;
  const unsigned headerSize = ReadLe32(bytes + 14);
  const unsigned bitsPerPixel = headerSize == 12 ? (bytes[24] | (bytes[25] << 8)) : (bytes[28] | (bytes[29] << 8));
  const long long rowBytes = (static_cast<long long>(bitsPerPixel) * width + 31) / 32 * 4;
  const long long lastRowBytes = (static_cast<long long>(bitsPerPixel) * width + 7) / 8;
  const long long needed = static_cast<long long>(ReadLe32(bytes + 10)) + rowBytes * (height - 1) + lastRowBytes;
  return static_cast<long long>(size) >= needed;
}

}  // namespace

CPhotoReadResult DecodeOtherBmp(const unsigned char* bytes, size_t size) {
  CPhotoReadResult result;
  if (const char* problem = CompressionProblem(bytes, size)) {
    result.reason = problem;
    return result;
  }
  if (size > 0x7FFFFFFF) {
    result.reason = "the BMP file is too large";
    return result;
  }
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, static_cast<int>(size), &width, &height, &channels)) {
    result.reason = std::string("the BMP file is not one that can be read (") + stbi_failure_reason() + ")";
    return result;
  }
  if (width < 1 || height < 1 || !PixelBytesWithinLimit(width, height)) {
    result.reason = "the BMP picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels is larger than 1 GiB";
    return result;
  }
  if (!HoldsItsRows(bytes, size, width, height)) {
    result.reason = "the BMP file is shorter than its header says (truncated)";
    return result;
  }
  std::unique_ptr<unsigned char, void (*)(void*)> rgba(
      stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 4), stbi_image_free);
  if (!rgba) {
    result.reason = std::string("the BMP file is damaged or truncated (") + stbi_failure_reason() + ")";
    return result;
  }
  CPixelImage image;
  image.width = width, image.height = height;
  image.pixels = AllocatePixels(image.ByteCount());
  if (!image.pixels) {
    result.reason = "there is not enough memory for the picture";
    return result;
  }
  // stb gives rows from the top, with alpha; the buffer wants them from the bottom, over black.
  const bool hasAlpha = channels == 4;
  for (int row = 0; row < height; ++row) {
    const unsigned char* from = rgba.get() + static_cast<size_t>(height - 1 - row) * width * 4;
    unsigned char* to = image.pixels.get() + static_cast<size_t>(row) * width * 3;
    for (int x = 0; x < width; ++x, from += 4, to += 3)
      for (int c = 0; c < 3; ++c) to[c] = hasAlpha ? static_cast<unsigned char>((from[c] * from[3] + 127) / 255) : from[c];
  }
  result.image = std::move(image);
  return result;
}
