#include "session/DetectionReview.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace {

// A vanishing point further than this many diagonals from the centre counts as at infinity.
constexpr double kFarDiagonals = 20;

// Where a ground vanishing point lies along the horizon, rightwards from the centre; +∞ at
// infinity, which has no side.
double RightwardPosition(const std::array<double, 3>& point, const std::array<double, 2>& rightwards, double diagonal) {
  const double along = point[0] * rightwards[0] + point[1] * rightwards[1];
  if (std::fabs(along) >= kFarDiagonals * diagonal * std::fabs(point[2])) return std::numeric_limits<double>::infinity();
  return along / point[2];
}

double DistanceToSegment(const CImageSegment& s, double x, double y) {
  const double dx = s.x2 - s.x1, dy = s.y2 - s.y1, length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((x - s.x1) * dx + (y - s.y1) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(x - (s.x1 + t * dx), y - (s.y1 + t * dy));
}

// One segment lies on the other: both ends of either within kSameEdgePixels of the other.
bool SameEdge(const CImageSegment& a, const CImageSegment& b) {
  const auto on = [](const CImageSegment& s, const CImageSegment& t) {
    return DistanceToSegment(t, s.x1, s.y1) <= kSameEdgePixels && DistanceToSegment(t, s.x2, s.y2) <= kSameEdgePixels;
  };
  return on(a, b) || on(b, a);
}

}  // namespace

std::array<int, 3> AxesOfGroups(const CSegmentGrouping& grouping, int width, int height) {
  const double diagonal = std::hypot(width, height);
  std::array<int, 3> axes = {-1, -1, -1};
  const CDirectionGroup& first = grouping.directions[kFirstGround];
  const CDirectionGroup& second = grouping.directions[kSecondGround];
  if (grouping.directions[kVertical].found) axes[2] = kVertical;
  if (first.found && second.found) {
    const std::array<double, 3>& p = first.vanishingPoint;
    const std::array<double, 3>& q = second.vanishingPoint;
    const std::array<double, 3> horizon = {p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]};
    std::array<double, 2> rightwards = {horizon[1], -horizon[0]};
    const double norm = std::hypot(rightwards[0], rightwards[1]);
    if (norm > 0) rightwards = {rightwards[0] / norm, rightwards[1] / norm};
    else rightwards = {1, 0};
    if (rightwards[0] < 0) rightwards = {-rightwards[0], -rightwards[1]};
    const bool firstIsX = RightwardPosition(p, rightwards, diagonal) >= RightwardPosition(q, rightwards, diagonal);
    axes[0] = firstIsX ? kFirstGround : kSecondGround;
    axes[1] = firstIsX ? kSecondGround : kFirstGround;
  } else if (first.found) {
    const std::array<double, 3>& p = first.vanishingPoint;
    const bool right = p[2] == 0 || p[0] / p[2] > 0;
    axes[right ? 0 : 1] = kFirstGround;
  }
  return axes;
}

CDetectionReview::CDetectionReview(const CSceneDirections& found, int width, int height) {
  const CSegmentGrouping& grouping = found.grouping;
  const std::array<int, 3> groups = AxesOfGroups(grouping, width, height);
  std::array<int, 3> axisOfGroup = {kOutlier, kOutlier, kOutlier};
  for (int axis = 0; axis < 3; ++axis)
    if (groups[axis] >= 0) axisOfGroup[groups[axis]] = axis;
  static const char* kNames[3] = {"X", "Y", "Z"};
  for (int axis = 0; axis < 3; ++axis) {
    CSuggestedDirection& direction = m_directions[axis];
    if (groups[axis] >= 0) {
      direction.found = true;
      direction.vanishingPoint = grouping.directions[groups[axis]].vanishingPoint;
      continue;
    }
    // The message of the group that would have been this direction, or of any group not found.
    std::string why;
    for (const CDirectionGroup& group : grouping.directions)
      if (!group.found && !group.message.empty()) why = group.message;
    direction.message = std::string("Nothing is suggested for ") + kNames[axis] + ": " +
                        (why.empty() ? "too few segments agree on its vanishing point." : why);
  }
  for (size_t i = 0; i < found.detection.segments.size(); ++i) {
    const CDetectedSegment& detected = found.detection.segments[i];
    CSuggestedSegment suggested;
    suggested.segment = detected.segment;
    const int label = i < grouping.labels.size() ? grouping.labels[i] : kOutlier;
    suggested.axis = label == kOutlier ? kOutlier : axisOfGroup[label];
    suggested.accepted = suggested.axis != kOutlier;
    if (detected.refined) suggested.snapRms = detected.rmsPixels;
    m_segments.push_back(suggested);
  }
  for (int axis = 0; axis < 3; ++axis) {
    if (groups[axis] < 0) continue;
    for (const CJoinedLine& joined : grouping.directions[groups[axis]].joinedLines) {
      CSuggestedLine line{axis, {}, joined.span, std::nullopt};
      double length = 0, squares = 0;
      bool everyPieceFitted = true;
      for (int k : joined.pieces) {
        if (k < 0 || k >= static_cast<int>(m_segments.size()) || m_segments[k].joinedLine >= 0) continue;
        const CSuggestedSegment& piece = m_segments[k];
        line.pieces.push_back(k);
        length += piece.segment.Length();
        if (piece.snapRms) squares += piece.segment.Length() * *piece.snapRms * *piece.snapRms;
        else everyPieceFitted = false;
      }
      if (line.pieces.size() < 2) continue;
      if (everyPieceFitted && length > 0) line.snapRms = std::sqrt(squares / length);
      for (int k : line.pieces) m_segments[k].joinedLine = static_cast<int>(m_lines.size());
      m_lines.push_back(std::move(line));
    }
  }
}

int CDetectionReview::Count(int axis) const {
  return static_cast<int>(std::count_if(m_segments.begin(), m_segments.end(),
                                        [axis](const CSuggestedSegment& s) { return s.axis == axis; }));
}

int CDetectionReview::AcceptedCount(int axis) const {
  return static_cast<int>(std::count_if(m_segments.begin(), m_segments.end(),
                                        [axis](const CSuggestedSegment& s) { return s.axis == axis && s.accepted; }));
}

int CDetectionReview::ToggleAt(double x, double y, double tolerancePixels) {
  int nearest = -1;
  double nearestDistance = tolerancePixels;
  for (size_t i = 0; i < m_segments.size(); ++i) {
    if (m_segments[i].axis == kOutlier) continue;
    const double distance = DistanceToSegment(m_segments[i].segment, x, y);
    if (distance <= nearestDistance) {
      nearestDistance = distance;
      nearest = static_cast<int>(i);
    }
  }
  if (nearest >= 0) m_segments[nearest].accepted = !m_segments[nearest].accepted;
  return nearest;
}

int CDetectionReview::DisableInside(double x0, double y0, double x1, double y1) {
  const double left = std::min(x0, x1), right = std::max(x0, x1), bottom = std::min(y0, y1), top = std::max(y0, y1);
  const auto inside = [&](double x, double y) { return x >= left && x <= right && y >= bottom && y <= top; };
  int disabled = 0;
  for (CSuggestedSegment& s : m_segments) {
    if (!s.accepted || !inside(s.segment.x1, s.segment.y1) || !inside(s.segment.x2, s.segment.y2)) continue;
    s.accepted = false;
    ++disabled;
  }
  return disabled;
}

std::vector<CAction> CDetectionReview::AcceptedActions(std::array<bool, 3> axes) const {
  std::vector<CAction> actions;
  const auto wholeLine = [this](int line) {
    return line >= 0 && std::all_of(m_lines[line].pieces.begin(), m_lines[line].pieces.end(),
                                    [this](int k) { return m_segments[k].accepted; });
  };
  for (size_t i = 0; i < m_segments.size(); ++i) {
    const CSuggestedSegment& s = m_segments[i];
    if (s.axis == kOutlier || !axes[s.axis] || !s.accepted) continue;
    CSegmentAction action;
    action.axis = s.axis;
    action.ends = {s.segment.x1, s.segment.y1, s.segment.x2, s.segment.y2};
    action.snapRms = s.snapRms;
    if (wholeLine(s.joinedLine)) {
      const CSuggestedLine& line = m_lines[s.joinedLine];
      if (line.pieces.front() != static_cast<int>(i)) continue;  // the line stands in its first piece's place
      action.ends = {line.span.x1, line.span.y1, line.span.x2, line.span.y2};
      action.snapRms = line.snapRms;
    }
    actions.push_back(action);
  }
  return actions;
}

CActionList CDetectionReview::ActionsAfterAccepting(const CActionList& current, std::array<bool, 3> axes,
                                                    EAcceptMode mode, int* alreadyThere) const {
  const auto replaced = [&](const CSegmentAction* segment) {
    return mode == EAcceptMode::Replace && segment && segment->axis >= 0 && segment->axis < 3 && axes[segment->axis];
  };
  std::vector<CImageSegment> kept;
  for (const auto& action : current)
    if (const auto* segment = std::get_if<CSegmentAction>(action.get()); segment && !replaced(segment))
      kept.push_back({segment->ends[0], segment->ends[1], segment->ends[2], segment->ends[3]});
  CActionList accepted;
  int duplicates = 0;
  for (CAction& action : AcceptedActions(axes)) {
    const auto& ends = std::get<CSegmentAction>(action).ends;
    const CImageSegment suggested{ends[0], ends[1], ends[2], ends[3]};
    if (std::any_of(kept.begin(), kept.end(), [&](const CImageSegment& k) { return SameEdge(suggested, k); })) {
      ++duplicates;
      continue;
    }
    accepted.push_back(std::make_shared<const CAction>(std::move(action)));
  }
  if (alreadyThere) *alreadyThere = duplicates;
  CActionList out;
  bool placed = false;
  for (const auto& action : current) {
    if (!replaced(std::get_if<CSegmentAction>(action.get()))) {
      out.push_back(action);
      continue;
    }
    if (!placed) out.insert(out.end(), accepted.begin(), accepted.end());
    placed = true;
  }
  if (!placed) out.insert(out.end(), accepted.begin(), accepted.end());
  if (HasSegmentsForCalculate(out)) out.push_back(std::make_shared<const CAction>(CCalculateAction{}));
  return out;
}

bool HasSegmentsForCalculate(const CActionList& actions) {
  int counts[3] = {};
  for (const auto& action : actions)
    if (const auto* segment = std::get_if<CSegmentAction>(action.get());
        segment && segment->enabled && segment->axis >= 0 && segment->axis < 3)
      ++counts[segment->axis];
  return counts[0] >= 2 && counts[1] >= 2 && counts[2] >= 2;
}
