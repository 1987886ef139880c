#include "session/SegmentTrimming.h"

#include "lines/ResidualTrimming.h"
#include "model/SingleImage.h"

#include <memory>

COutlierTrim DisableOutliers(const CActionList& actions, const CSingleImage& model, double thresholdDegrees) {
  COutlierTrim trim;
  const double* points[3] = {model.m_Vx, model.m_Vy, model.m_Vz};
  const double halfWidth = model.GetWidth() / 2.0, halfHeight = model.GetHeight() / 2.0;
  for (const auto& action : actions) {
    const auto* segment = std::get_if<CSegmentAction>(action.get());
    if (!segment || !segment->enabled || segment->axis < 0 || segment->axis > 2) {
      trim.actions.push_back(action);
      continue;
    }
    const double* p = points[segment->axis];
    // The vanishing points are centred; so are the segments compared with them.
    const CImageSegment centred{segment->ends[0] - halfWidth, segment->ends[1] - halfHeight,
                                segment->ends[2] - halfWidth, segment->ends[3] - halfHeight};
    if (ResidualAngleDegrees(centred, {p[0], p[1], p[2]}) <= thresholdDegrees) {
      trim.actions.push_back(action);
      continue;
    }
    CSegmentAction disabled = *segment;
    disabled.enabled = false;
    trim.actions.push_back(std::make_shared<const CAction>(disabled));
    ++trim.disabled[segment->axis];
  }
  if (trim.Total() > 0) trim.actions.push_back(std::make_shared<const CAction>(CCalculateAction{}));
  return trim;
}
