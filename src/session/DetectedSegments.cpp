#include "session/DetectedSegments.h"

#include "lines/SceneDirections.h"
#include "model/SingleImage.h"
#include "session/DetectionReview.h"

CDetectedActions DetectSegmentActions(const CSingleImage& model, const CDetectRequest& request) {
  CDetectedActions out;
  const CPixelView photograph{model.m_pPixels.get(), model.GetWidth(), model.GetHeight()};
  const CDetectionReview review(FindSceneDirections(photograph, request.region), model.GetWidth(), model.GetHeight());
  for (int axis = 0; axis < 3; ++axis) {
    if (!request.axes[axis]) continue;
    if (!review.Direction(axis).found) out.messages[axis] = review.Direction(axis).message;
    std::array<bool, 3> only = {};
    only[axis] = true;
    for (CAction& action : review.AcceptedActions(only)) out.actions.push_back(std::move(action));
  }
  return out;
}
