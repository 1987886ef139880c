#pragma once
// Segments found in the photograph for a batch job: detection and grouping (FindSceneDirections)
// on the whole photograph or a region, every segment of a found direction taken, as segment
// actions of the directions the job asks for.

#include "lines/ImageSegment.h"
#include "session/Actions.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class CSingleImage;

// What a job's "segments": {"detect": ...} asks for.
struct CDetectRequest {
  std::array<bool, 3> axes = {true, true, true};  // X, Y, Z
  std::optional<CPixelRegion> region;
};

struct CDetectedActions {
  std::vector<CAction> actions;          // segment actions, X first, then Y, then Z
  std::array<std::string, 3> messages;   // per direction asked for and not found, why
};

CDetectedActions DetectSegmentActions(const CSingleImage& model, const CDetectRequest& request);
