#include "image/ImageOrientation.h"

#include <cstring>

CPixelImage ApplyOrientation(const CPixelImage& stored, int orientation) {
  const int W = stored.width, H = stored.height;
  const bool turned = orientation >= 5;
  CPixelImage upright;
  upright.width = turned ? H : W;
  upright.height = turned ? W : H;
  upright.pixels = AllocatePixels(upright.ByteCount());
  if (!upright.pixels) return {};
  // In top-down coordinates: the displayed pixel (X, Y) is the stored pixel (x, y).
  for (int Y = 0; Y < upright.height; ++Y)
    for (int X = 0; X < upright.width; ++X) {
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
      unsigned char* to = upright.pixels.get() + (static_cast<size_t>(upright.height - 1 - Y) * upright.width + X) * 3;
      std::memcpy(to, from, 3);
    }
  return upright;
}
