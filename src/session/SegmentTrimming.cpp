#include "session/SegmentTrimming.h"

#include "lines/ResidualTrimming.h"
#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"

#include <memory>
#include <set>
#include <vector>

namespace {

// The smallest number of segments a direction keeps: "Caculate " needs two.
constexpr size_t kKeptSegments = 2;

}  // namespace

COutlierTrim DisableOutliers(const CActionList& actions, const CSingleImage& model, double thresholdDegrees) {
  COutlierTrim trim;
  const double* points[3] = {model.m_Vx, model.m_Vy, model.m_Vz};
  const double halfWidth = model.GetWidth() / 2.0, halfHeight = model.GetHeight() / 2.0;
  std::set<size_t> disabled;
  for (int axis = 0; axis < 3; ++axis) {
    std::vector<size_t> kept;  // indices in `actions` of the enabled segments of the direction
    for (size_t i = 0; i < actions.size(); ++i)
      if (const auto* s = std::get_if<CSegmentAction>(actions[i].get()); s && s->enabled && s->axis == axis)
        kept.push_back(i);
    std::array<double, 3> point = {points[axis][0], points[axis][1], points[axis][2]};
    // Not calculated yet: nothing to judge by.
    if (point[0] == 0 && point[1] == 0 && point[2] == 0) continue;
    // The worst one first, then the vanishing point again from the rest: one gross outlier pulls
    // the point far enough to make good segments look bad.
    while (kept.size() > kKeptSegments) {
      size_t worst = 0;
      double worstResidual = -1;
      for (size_t k = 0; k < kept.size(); ++k) {
        const auto& ends = std::get<CSegmentAction>(*actions[kept[k]]).ends;
        // The vanishing points are centred; so are the segments compared with them.
        const double residual = ResidualAngleDegrees(
            {ends[0] - halfWidth, ends[1] - halfHeight, ends[2] - halfWidth, ends[3] - halfHeight}, point);
        if (residual > worstResidual) worstResidual = residual, worst = k;
      }
      if (worstResidual <= thresholdDegrees) break;
      disabled.insert(kept[worst]);
      ++trim.disabled[axis];
      kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(worst));
      CSegmentList rest;
      for (size_t index : kept) {
        const auto& ends = std::get<CSegmentAction>(*actions[index]).ends;
        rest.Add(MakeSegment(model, ends[0], ends[1], ends[2], ends[3]));
      }
      const bool determined = SegmentsDetermineAPoint(rest);
      if (determined) point = EstimateVanishingPoint(rest);
      // The list owns its records only until RemoveAll: its own destructor releases the slots.
      rest.RemoveAll();
      if (!determined) break;
    }
  }
  for (size_t i = 0; i < actions.size(); ++i) {
    if (!disabled.count(i)) {
      trim.actions.push_back(actions[i]);
      continue;
    }
    CSegmentAction segment = std::get<CSegmentAction>(*actions[i]);
    segment.enabled = false;
    trim.actions.push_back(std::make_shared<const CAction>(segment));
  }
  if (trim.Total() > 0) trim.actions.push_back(std::make_shared<const CAction>(CCalculateAction{}));
  return trim;
}
