#pragma once
// Detection and grouping in one call, as the "Detect Segments" command and batch jobs run it:
// the segments of the photograph (or a region of it) sorted into the two ground directions and
// the vertical. Meant to run off the user-interface thread; the callback reports progress and
// may cancel.

#include "lines/DirectionGrouping.h"
#include "lines/SegmentDetection.h"

struct CSceneDirections {
  CSegmentDetection detection;
  CSegmentGrouping grouping;  // labels index detection.segments
  bool cancelled = false;
};

CSceneDirections FindSceneDirections(const CPixelView& photograph, const std::optional<CPixelRegion>& region,
                                     const CDetectionOptions& detectionOptions = {},
                                     const CGroupingOptions& groupingOptions = {},
                                     const CProgressCallback& progress = {});
