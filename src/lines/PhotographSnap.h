#pragma once
// Sub-pixel snapping of a segment the user placed by hand (drawn, dragged, typed) onto the
// straight edge of the photograph it was placed along: SnapToEdge on the scene model's pixels,
// with the segment in pixel positions (column from the left, row from the bottom) as a segment
// action keeps it. Nothing when the model has no pixels or the edge's fit is not good enough;
// the caller then keeps the segment as placed.

#include "lines/EdgeSnapping.h"

#include <array>
#include <optional>

class CSingleImage;

struct CSnappedSegment {
  std::array<double, 4> ends{};  // x1, y1, x2, y2 on the edge, the extent the user's
  double rmsPixels = 0;          // RMS distance of the edge points from the fitted line
};

std::optional<CSnappedSegment> SnapSegmentToPhotograph(const CSingleImage& model, const std::array<double, 4>& ends,
                                                       const CSnapOptions& options = {});
