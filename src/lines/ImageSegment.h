#pragma once
// The vocabulary of the line tools: a segment of the photograph in pixel positions (column from
// the left, row from the bottom, pixel (i, j) being the picture at exactly (i, j)), a read-only
// view of the photograph's pixels, and the progress callback of the long operations.

#include <cmath>
#include <functional>

struct CImageSegment {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;

  double Length() const { return std::hypot(x2 - x1, y2 - y1); }
};

// The photograph's pixels: RGB, three bytes per pixel, rows stored bottom-up, no filler bytes.
struct CPixelView {
  const unsigned char* pixels = nullptr;
  int width = 0;
  int height = 0;
};

// A rectangle of pixel positions, both corners included; the corners may come in any order and
// the rectangle is clipped to the photograph.
struct CPixelRegion {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Called now and then with the fraction of the work done (0 to 1); returning false cancels the
// work, which then returns as soon as it can with its result marked as cancelled. May be empty.
using CProgressCallback = std::function<bool(double fraction)>;
