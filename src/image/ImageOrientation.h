#pragma once
// Turning a stored picture upright by an EXIF orientation (1 … 8): 3 is a half turn, 6 a
// quarter turn clockwise, 8 counter-clockwise, 2, 4, 5 and 7 their mirror images.

#include "image/PixelImage.h"

// A new buffer (RGB, bottom row first); no pixels when the memory cannot be had.
CPixelImage ApplyOrientation(const CPixelImage& stored, int orientation);
