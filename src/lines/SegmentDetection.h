#pragma once
// Straight segments found in the photograph by OpenCV's line segment detector (LSD). Large
// photographs are first reduced to grey by averaging square blocks of pixels, so that the
// longer side is at most detectionLongSidePixels; every segment found there is then refitted at
// full resolution to the edge under it (SnapToEdge, with a search radius that covers the
// reduction), and keeps its coarse position when that fit fails. Segments shorter than
// minimumLengthFraction of the searched area's diagonal are dropped.

#include "lines/EdgeSnapping.h"
#include "lines/ImageSegment.h"

#include <optional>
#include <string>
#include <vector>

struct CDetectionOptions {
  int detectionLongSidePixels = 1600;
  double minimumLengthFraction = 0.02;
  bool refine = true;
  int threads = 2;
};

struct CDetectedSegment {
  CImageSegment segment;   // pixel positions, y upwards
  bool refined = false;    // refitted to the edge at full resolution
  double rmsPixels = -1;   // RMS of that fit; −1 when not refined
};

struct CSegmentDetection {
  std::vector<CDetectedSegment> segments;
  int reduction = 1;       // block size of the reduction the detector ran on
  bool cancelled = false;
  std::string message;     // for the user, when nothing could be searched
};

// The whole photograph, or the region when one is given. Progress runs from 0 to 1.
CSegmentDetection DetectSegments(const CPixelView& photograph, const std::optional<CPixelRegion>& region,
                                 const CDetectionOptions& options = {}, const CProgressCallback& progress = {});

// The search radius of the refitting after a reduction by blocks of the given size.
double RefineRadiusPixels(int reduction);
