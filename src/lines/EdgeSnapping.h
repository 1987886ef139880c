#pragma once
// Sub-pixel snapping of a segment onto the straight edge it was drawn along. Along the segment,
// every row (for segments steeper than 45°) or every column (otherwise) is scanned across the
// segment within a search radius; on each scan every peak of the brightness derivative (grey =
// 0.299 R + 0.587 G + 0.114 B, central differences on the pixel grid, no resampling) above
// minimumContrast is located to a fraction of a pixel by a Gaussian through the three samples
// around it. The edge is the straight line through peaks of one sign found on the most scans
// (lines through pairs of peaks tried), then fitted to its peaks by orthogonal least squares,
// twice dropping peaks further than 3 robust deviations. The segment snaps when that fit is
// good: enough of the scans agree and their RMS distance from the line is small. The snapped
// segment has the input's end points projected perpendicularly onto the fitted line, so its
// extent is the user's.

#include "lines/ImageSegment.h"

#include <string>

struct CSnapOptions {
  double searchRadiusPixels = 3;     // how far across the segment the edge may lie
  double endTrimFraction = 0.05;     // scans this close to either end are skipped (corners meet there)
  double endTrimPixels = 3;          // ... and at least this many pixels
  int maximumScans = 600;            // longer segments are scanned at evenly spaced rows or columns
  double maximumRmsPixels = 0.35;    // a worse fit does not snap
  double minimumSupport = 0.6;       // fraction of the scans whose peak must lie on the fitted line
  double minimumContrast = 3;        // smallest peak derivative, grey levels per pixel
};

struct CSnapResult {
  bool snapped = false;
  CImageSegment segment;   // the snapped segment; the input when not snapped
  double rmsPixels = -1;   // RMS distance of the edge points from the fitted line; −1 without a fit
  double support = 0;      // fraction of the scans that agree with the fitted line
  int scans = 0;           // rows or columns scanned
  std::string message;     // why it did not snap; empty when it did
};

CSnapResult SnapToEdge(const CPixelView& photograph, const CImageSegment& segment, const CSnapOptions& options = {});
