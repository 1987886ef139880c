#pragma once
// The picture the loading benchmarks encode: camera-like, smooth gradients with fine texture,
// RGB, rows in the order they are generated, no padding.

#include <cstddef>
#include <memory>

inline std::unique_ptr<unsigned char[]> CameraLikePicture(int width, int height) {
  std::unique_ptr<unsigned char[]> pixels(new unsigned char[3ull * width * height]);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned char* p = pixels.get() + 3 * (static_cast<size_t>(y) * width + x);
      p[0] = static_cast<unsigned char>(x * 255 / width + (x * y % 7));
      p[1] = static_cast<unsigned char>(y * 255 / height + ((x ^ y) & 7));
      p[2] = static_cast<unsigned char>(128 + ((x / 16 + y / 16) % 2) * 40);
    }
  return pixels;
}
