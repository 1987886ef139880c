#include "lines/PhotographSnap.h"

#include "model/SingleImage.h"

std::optional<CSnappedSegment> SnapSegmentToPhotograph(const CSingleImage& model, const std::array<double, 4>& ends,
                                                       const CSnapOptions& options) {
  if (!model.HasPixels()) return std::nullopt;
  const CPixelView photograph{model.m_pPixels.get(), model.GetWidth(), model.GetHeight()};
  const CSnapResult snap = SnapToEdge(photograph, {ends[0], ends[1], ends[2], ends[3]}, options);
  if (!snap.snapped) return std::nullopt;
  return CSnappedSegment{{snap.segment.x1, snap.segment.y1, snap.segment.x2, snap.segment.y2}, snap.rmsPixels};
}
