#include "image/Bmp.h"

#include "image/ChannelSwap.h"
#include "image/InputFile.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;
// Rows are moved through a buffer of about this size, so they stay in cache between the
// read and the byte-order swap.
constexpr size_t kChunkBytes = 1 << 18;

uint16_t ReadLe16(const unsigned char* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t ReadLe32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void WriteLe16(unsigned char* bytes, uint16_t value) {
  bytes[0] = static_cast<unsigned char>(value);
  bytes[1] = static_cast<unsigned char>(value >> 8);
}

void WriteLe32(unsigned char* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

size_t RowsPerChunk(size_t rowBytes) { return std::max<size_t>(1, kChunkBytes / rowBytes); }

CBmpReadResult Refusal(EBmpReadFailure failure, std::string reason) {
  CBmpReadResult result;
  result.failure = failure;
  result.reason = std::move(reason);
  return result;
}

}  // namespace

int BmpRowPad(int width) {
  const int remainder = static_cast<int>((3LL * width) % 4);
  return remainder == 0 ? 0 : 4 - remainder;
}

CBmpReadResult ReadBmpFile(const std::string& path) {
  CInputFile file(path);
  if (!file.Get())
    return Refusal(file.NotRegularFile() ? EBmpReadFailure::NotThisFormat : EBmpReadFailure::CannotOpen,
                   file.Problem());

  unsigned char fileHeader[kFileHeaderBytes];
  if (!file.ReadExactly(fileHeader, sizeof fileHeader))
    return Refusal(EBmpReadFailure::NotThisFormat, "the file is too short to be a BMP picture");
  if (ReadLe32(fileHeader + 10) != kBmpHeaderBytes)
    return Refusal(EBmpReadFailure::NotThisFormat,
                   "the pixel data does not start at byte 54 (not a 24-bit uncompressed BMP picture)");

  unsigned char infoHeader[kInfoHeaderBytes];
  if (!file.ReadExactly(infoHeader, sizeof infoHeader))
    return Refusal(EBmpReadFailure::BadFormat, "the BMP information header is incomplete");
  const uint32_t headerSize = ReadLe32(infoHeader);
  const int32_t headerWidth = static_cast<int32_t>(ReadLe32(infoHeader + 4));
  const int32_t headerHeight = static_cast<int32_t>(ReadLe32(infoHeader + 8));
  const uint16_t planes = ReadLe16(infoHeader + 12);
  const uint16_t bitsPerPixel = ReadLe16(infoHeader + 14);
  const uint32_t compression = ReadLe32(infoHeader + 16);
  if (headerSize != kInfoHeaderBytes || planes != 1 || bitsPerPixel != 24 || compression != 0)
    return Refusal(EBmpReadFailure::BadFormat, "the picture is not a 24-bit uncompressed BMP");

  if (headerWidth <= 0 || headerHeight == 0 || headerHeight == std::numeric_limits<int32_t>::min())
    return Refusal(EBmpReadFailure::BadFormat, "the BMP header gives an impossible picture size");
  const int width = headerWidth;
  const int height = headerHeight > 0 ? headerHeight : -headerHeight;
  if (!PixelBytesWithinLimit(width, height))
    return Refusal(EBmpReadFailure::BadFormat, "the picture of " + std::to_string(width) + " x " +
                                                   std::to_string(height) + " pixels is larger than 1 GiB");

  const size_t rowBytes = 3 * static_cast<size_t>(width);
  const size_t fileRowBytes = rowBytes + static_cast<size_t>(BmpRowPad(width));
  // The pad bytes after the last row are never read, so they may be missing.
  const long long neededBytes = kBmpHeaderBytes + static_cast<long long>(fileRowBytes) * (height - 1) +
                                static_cast<long long>(rowBytes);
  if (file.Size() < neededBytes)
    return Refusal(EBmpReadFailure::BadFormat, "the file is shorter than its header says (" +
                                                   std::to_string(file.Size()) + " of " +
                                                   std::to_string(neededBytes) + " bytes)");

  CPixelImage image;
  image.width = width;
  image.height = height;
  image.pixels = AllocatePixels(image.ByteCount());
  std::vector<unsigned char> chunk;
  const size_t chunkRows = RowsPerChunk(fileRowBytes);
  if (image.pixels) {
    try {
      chunk.resize(chunkRows * fileRowBytes);
    } catch (const std::bad_alloc&) {
      image.pixels.reset();
    }
  }
  if (!image.pixels) return Refusal(EBmpReadFailure::BadFormat, "there is not enough memory for the picture");

  // Bottom-up files store the bottom row first; top-down files the top row.
  const bool bottomUp = headerHeight > 0;
  for (size_t firstRow = 0; firstRow < static_cast<size_t>(height); firstRow += chunkRows) {
    const size_t rows = std::min(chunkRows, static_cast<size_t>(height) - firstRow);
    const bool holdsLastRow = firstRow + rows == static_cast<size_t>(height);
    const size_t bytes = rows * fileRowBytes - (holdsLastRow ? fileRowBytes - rowBytes : 0);
    if (!file.ReadExactly(chunk.data(), bytes))
      return Refusal(EBmpReadFailure::BadFormat, "the pixel rows cannot be read whole");
    for (size_t row = 0; row < rows; ++row) {
      const size_t fileRow = firstRow + row;
      const size_t bufferRow = bottomUp ? fileRow : static_cast<size_t>(height) - 1 - fileRow;
      CopySwappingRedBlue(chunk.data() + row * fileRowBytes, image.pixels.get() + bufferRow * rowBytes,
                          static_cast<size_t>(width));
    }
  }

  CBmpReadResult result;
  result.image = std::move(image);
  result.closeFailed = !file.Close();
  return result;
}

std::string BmpSizeProblem(int width, int height) {
  if (width < 1 || height < 1 || !PixelBytesWithinLimit(width, height))
    return "a picture of " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels cannot be written as a BMP file";
  return {};
}

CSaveResult WriteBmpFile(const std::string& path, const unsigned char* pixels, int width, int height) {
  const std::string problem = BmpSizeProblem(width, height);
  if (!problem.empty()) {
    CSaveResult refused;
    refused.reason = problem;
    return refused;
  }
  return SaveFile(path, BmpContentWriter(pixels, width, height));
}

SaveContentWriter BmpContentWriter(const unsigned char* pixels, int width, int height) {
  const size_t rowBytes = 3 * static_cast<size_t>(width);
  const size_t fileRowBytes = rowBytes + static_cast<size_t>(BmpRowPad(width));
  const uint32_t fileBytes = static_cast<uint32_t>(fileRowBytes * static_cast<size_t>(height) + kBmpHeaderBytes);

  return [=](CFileSink& sink) {
    unsigned char header[kBmpHeaderBytes] = {};
    WriteLe16(header, 0x4D42);
    WriteLe32(header + 2, fileBytes);
    WriteLe32(header + 10, kBmpHeaderBytes);
    WriteLe32(header + 14, kInfoHeaderBytes);
    WriteLe32(header + 18, static_cast<uint32_t>(width));
    WriteLe32(header + 22, static_cast<uint32_t>(height));
    WriteLe16(header + 26, 1);
    WriteLe16(header + 28, 24);
    sink.Write(header, sizeof header);

    const size_t chunkRows = RowsPerChunk(fileRowBytes);
    std::vector<unsigned char> chunk;
    try {
      chunk.assign(chunkRows * fileRowBytes, 0);  // the pad bytes stay zero for every row
    } catch (const std::bad_alloc&) {
      sink.Fail("there is not enough memory to write the picture");
      return;
    }
    for (size_t firstRow = 0; firstRow < static_cast<size_t>(height) && !sink.Failed(); firstRow += chunkRows) {
      const size_t rows = std::min(chunkRows, static_cast<size_t>(height) - firstRow);
      for (size_t row = 0; row < rows; ++row)
        CopySwappingRedBlue(pixels + (firstRow + row) * rowBytes, chunk.data() + row * fileRowBytes,
                            static_cast<size_t>(width));
      sink.Write(chunk.data(), rows * fileRowBytes);
    }
  };
}
