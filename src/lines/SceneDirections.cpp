#include "lines/SceneDirections.h"

namespace {
constexpr double kDetectionShare = 0.85;  // of the whole time, on photographs of camera size
}

CSceneDirections FindSceneDirections(const CPixelView& photograph, const std::optional<CPixelRegion>& region,
                                     const CDetectionOptions& detectionOptions, const CGroupingOptions& groupingOptions,
                                     const CProgressCallback& progress) {
  CSceneDirections result;
  const auto scaled = [&progress](double from, double share) -> CProgressCallback {
    if (!progress) return {};
    return [&progress, from, share](double fraction) { return progress(from + share * fraction); };
  };
  result.detection = DetectSegments(photograph, region, detectionOptions, scaled(0, kDetectionShare));
  if (result.detection.cancelled) {
    result.cancelled = true;
    return result;
  }
  std::vector<CImageSegment> segments;
  std::vector<double> sigmas;
  for (const CDetectedSegment& detected : result.detection.segments) {
    segments.push_back(detected.segment);
    // A coarse segment is known to about a pixel of the reduced picture.
    sigmas.push_back(detected.refined ? detected.rmsPixels : result.detection.reduction);
  }
  result.grouping = GroupSegments(segments, photograph.width, photograph.height, groupingOptions,
                                  scaled(kDetectionShare, 1 - kDetectionShare), sigmas);
  result.cancelled = result.grouping.cancelled;
  return result;
}
