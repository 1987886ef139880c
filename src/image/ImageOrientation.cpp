#include "image/ImageOrientation.h"

#include <algorithm>
#include <cstring>

CPixelImage ApplyOrientation(const CPixelImage& stored, int orientation) {
  const int W = stored.width, H = stored.height;
  const bool turned = orientation >= 5;
  CPixelImage upright;
  upright.width = turned ? H : W;
  upright.height = turned ? W : H;
  upright.pixels = AllocatePixels(upright.ByteCount());
  if (!upright.pixels) return {};
  // In top-down coordinates: the displayed pixel (X, Y) is the stored pixel (x, y). Block by
  // block, since a turned picture reads the stored one down its columns.
  constexpr int kBlock = 64;
  for (int blockY = 0; blockY < upright.height; blockY += kBlock)
    for (int blockX = 0; blockX < upright.width; blockX += kBlock)
      for (int Y = blockY; Y < std::min(upright.height, blockY + kBlock); ++Y)
        for (int X = blockX; X < std::min(upright.width, blockX + kBlock); ++X) {
          int x = X, y = Y;
          switch (orientation) {
            case 2: x = W - 1 - X; break;
            case 3: x = W - 1 - X, y = H - 1 - Y; break;
            case 4: y = H - 1 - Y; break;
            case 5: x = Y, y = X; break;
            case 6: x = Y, y = H - 1 - X; break;
            case 7: x = W - 1 - Y, y = H - 1 - X; break;
            case 8: x = W - 1 - Y, y = X; break;
            default: break;
          }
          const unsigned char* from = stored.pixels.get() + (static_cast<size_t>(H - 1 - y) * W + x) * 3;
          unsigned char* to =
              upright.pixels.get() + (static_cast<size_t>(upright.height - 1 - Y) * upright.width + X) * 3;
          std::memcpy(to, from, 3);
        }
  return upright;
}
