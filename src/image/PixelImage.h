#pragma once
// An RGB photograph in memory: three bytes per pixel (red, green, blue), rows stored bottom-up,
// no filler bytes at the row ends. Pixel (x, y) starts at byte (y * width + x) * 3.

#include <cstddef>
#include <memory>

struct CPixelImage {
  std::unique_ptr<unsigned char[]> pixels;
  int width = 0;
  int height = 0;

  size_t ByteCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height) * 3; }
};

// Largest pixel buffer the program reads or writes.
inline constexpr long long kMaxPixelBytes = 1LL << 30;

// True when a width × height picture (both ≥ 1) fits within kMaxPixelBytes; never overflows.
inline bool PixelBytesWithinLimit(int width, int height) {
  return static_cast<long long>(width) * height <= kMaxPixelBytes / 3;
}

// Buffer of the given size without zero-filling (every byte is written by the caller);
// null when the memory cannot be had.
std::unique_ptr<unsigned char[]> AllocatePixels(size_t bytes);
// Buffer of the given size with every byte 0, for decoders that may stop part-way: what they
// never wrote is black, never old memory. Null when the memory cannot be had.
std::unique_ptr<unsigned char[]> AllocateZeroedPixels(size_t bytes);
