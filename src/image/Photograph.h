#pragma once
// Photographs as people have them, recognised by their first bytes: the 24-bit BMP with the
// 40-byte header (read by the BMP reader, exactly as ever), other BMP files (OS/2 and version
// 4 and 5 headers, 16 and 32 bits, bit fields, palettes, RLE), JPEG (turned upright by its EXIF orientation) and
// PNG. Every decoder gives the same buffer: RGB, bottom row first, no row padding; alpha is
// laid over black. Sizes are checked before anything is allocated.

#include "image/PixelImage.h"

#include <cstddef>
#include <string>

enum class EPhotoFormat { ClassicBmp, OtherBmp, Jpeg, Png, Unknown };

// From the first bytes of a file (54 are enough).
EPhotoFormat DetectPhotoFormat(const unsigned char* bytes, size_t size);

struct CPhotoReadResult {
  CPixelImage image;
  std::string reason;  // for the user, when there is no image
  bool Succeeded() const { return image.pixels != nullptr; }
};

// Decodes a whole file in memory of any format but the classic BMP.
CPhotoReadResult DecodePhotograph(EPhotoFormat format, const unsigned char* bytes, size_t size);
CPhotoReadResult DecodeJpeg(const unsigned char* bytes, size_t size);
CPhotoReadResult DecodePng(const unsigned char* bytes, size_t size);
CPhotoReadResult DecodeOtherBmp(const unsigned char* bytes, size_t size);

// Reads a file for DecodePhotograph: regular files of at most kMaxPhotographFileBytes.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& reason);
inline constexpr long long kMaxPhotographFileBytes = 2LL << 30;
// The first bytes of a regular file, for DetectPhotoFormat; 0 when it cannot be read.
size_t ReadFileHead(const std::string& path, unsigned char* head, size_t size);
