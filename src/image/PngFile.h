#pragma once
// A picture as PNG bytes (libpng): 8-bit RGB, rows from the top, as every viewer expects.

#include <vector>

// Pixels RGB, bottom row first, no padding. Empty when the picture cannot be encoded.
std::vector<unsigned char> EncodePng(const unsigned char* pixels, int width, int height);
