#include "image/PixelImage.h"

#include <new>

std::unique_ptr<unsigned char[]> AllocatePixels(size_t bytes) {
  return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[bytes > 0 ? bytes : 1]);
}

std::unique_ptr<unsigned char[]> AllocateZeroedPixels(size_t bytes) {
  return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[bytes > 0 ? bytes : 1]());
}
