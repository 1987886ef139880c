#include "session/SegmentRows.h"

#include "model/SingleImage.h"

#include <algorithm>
#include <cmath>

namespace {

// The place of the last action that set the vanishing points in force, if it was a "Caculate ":
// the segments before it are what they rest on. A loaded data file sets them too, from nothing
// the table lists.
std::optional<size_t> LastCalculation(const CActionList& actions) {
  for (size_t i = actions.size(); i-- > 0;) {
    if (std::holds_alternative<CCalculateAction>(*actions[i])) return i;
    if (std::holds_alternative<CDataFileAction>(*actions[i])) return std::nullopt;
  }
  return std::nullopt;
}

const double* VanishingPointOf(const CSingleImage& model, int axis) {
  return axis == 0 ? model.m_Vx : axis == 1 ? model.m_Vy : model.m_Vz;
}

}  // namespace

CSegmentTable SegmentTable(const CActionList& actions, const CSingleImage& model, const CReplayed& replayed) {
  CSegmentTable table;
  const std::optional<size_t> calculation = LastCalculation(actions);
  int numbers[3] = {}, lines[3] = {};
  for (size_t i = 0; i < actions.size(); ++i) {
    const auto* segment = std::get_if<CSegmentAction>(actions[i].get());
    if (!segment || segment->axis < 0 || segment->axis > 2) continue;
    CSegmentRow row;
    row.action = i;
    row.axis = segment->axis;
    row.number = numbers[row.axis]++;
    row.line = segment->enabled ? lines[row.axis]++ : -1;
    row.ends = segment->ends;
    row.enabled = segment->enabled;
    row.counted = segment->enabled && calculation && i < *calculation;
    row.lengthPixels = std::hypot(row.ends[2] - row.ends[0], row.ends[3] - row.ends[1]);
    row.snapRms = segment->snapRms;
    row.residual = SegmentResidual(model, row.axis, row.ends);
    table.rows.push_back(row);
  }
  // X first, then Y, then Z, each in the order entered: a direction reads as one block.
  std::stable_sort(table.rows.begin(), table.rows.end(),
                   [](const CSegmentRow& a, const CSegmentRow& b) { return a.axis < b.axis; });
  for (int axis = 0; axis < 3; ++axis) {
    std::vector<size_t> rows;
    std::vector<std::optional<double>> angles;
    std::vector<bool> enabled;
    std::vector<std::array<double, 4>> segments;
    for (size_t r = 0; r < table.rows.size(); ++r) {
      const CSegmentRow& row = table.rows[r];
      if (row.axis != axis) continue;
      rows.push_back(r);
      angles.push_back(row.residual ? std::optional<double>(row.residual->angleDegrees) : std::nullopt);
      enabled.push_back(row.enabled);
      if (row.enabled) segments.push_back(row.ends);
    }
    const std::vector<bool> outlying = OutlyingResiduals(angles, enabled);
    for (size_t k = 0; k < rows.size(); ++k) table.rows[rows[k]].outlier = outlying[k];
    std::optional<CVanishingPointSpread> spread;
    if (replayed.log.HasSegments()) spread = SpreadOfVanishingPoint(replayed.log.Chain(), axis);
    const double* v = VanishingPointOf(model, axis);
    table.quality[axis] = AssessDirection(segments, {v[0], v[1], v[2]}, spread, replayed.log.PositionSigma());
  }
  return table;
}

std::string SegmentName(int axis, int number) {
  static const char* kAxes[3] = {"X", "Y", "Z"};
  return std::string(kAxes[std::clamp(axis, 0, 2)]) + " " + std::to_string(number);
}

CActionList WithSegmentEnabled(const CActionList& actions, size_t action, bool enabled) {
  CActionList changed = actions;
  if (action < changed.size())
    if (const auto* segment = std::get_if<CSegmentAction>(changed[action].get())) {
      CSegmentAction flipped = *segment;
      flipped.enabled = enabled;
      changed[action] = std::make_shared<const CAction>(flipped);
    }
  return changed;
}

CActionList WithoutActions(const CActionList& actions, const std::vector<size_t>& places) {
  CActionList kept;
  for (size_t i = 0; i < actions.size(); ++i)
    if (std::find(places.begin(), places.end(), i) == places.end()) kept.push_back(actions[i]);
  return kept;
}
