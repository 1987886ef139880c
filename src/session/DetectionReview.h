#pragma once
// Suggestions, not decisions: the segments that detection found in the photograph, each with its
// direction (0 X, 1 Y, 2 Z, or kOutlier), while the user looks them over. Segments of a found
// direction start accepted; the user toggles one by clicking it or disables all inside a
// rectangle; the accepted segments of the directions the user takes become ordinary segment
// actions, added to or replacing the existing segments of those directions, followed by
// "Caculate " when every direction then has enough segments for it. Positions are photograph
// pixels as segment actions keep them (column from the left, row from the bottom).
//
// Of the two ground directions detection finds, X is the one whose vanishing point lies further
// right along the horizon (a vanishing point at infinity counts as furthest right), Y the other:
// the frame is then right-handed with Z up for a camera above the ground. A lone ground
// direction is X when its vanishing point lies right of the photograph's centre.

#include "lines/SceneDirections.h"
#include "session/Actions.h"
#include "session/Replay.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

struct CSuggestedSegment {
  CImageSegment segment;
  int axis = kOutlier;             // 0 X, 1 Y, 2 Z, or kOutlier
  bool accepted = false;
  std::optional<double> snapRms;   // RMS of its refit to the edge at full resolution, pixels
  int joinedLine = -1;             // the piece of one line it belongs to (CDetectionReview::JoinedLines), or −1
};

// Suggestions that are pieces of one straight line of a direction (window sides stacked in a
// column). Accepted together they become one segment along the whole line, whose direction the
// long span fixes far better than any piece: "Caculate " weighs every segment alike, and a
// column of short pieces would otherwise outweigh one long edge.
struct CSuggestedLine {
  int axis = kOutlier;
  std::vector<int> pieces;        // indices of its suggestions, ascending
  CImageSegment span;             // from its outermost end to the other
  std::optional<double> snapRms;  // the pieces' RMS, weighted by length, when every piece has one
};

struct CSuggestedDirection {
  bool found = false;
  std::string message;             // why nothing is suggested for it; empty when found
  std::array<double, 3> vanishingPoint{};  // homogeneous, centred positions
};

// A suggestion this close to a segment already entered, at both ends, is that segment again.
inline constexpr double kSameEdgePixels = 1.0;

// How the accepted segments join the segments already there.
enum class EAcceptMode { Add, Replace };

class CDetectionReview {
 public:
  CDetectionReview() = default;
  // The result of FindSceneDirections on a width × height photograph.
  CDetectionReview(const CSceneDirections& found, int width, int height);

  const std::vector<CSuggestedSegment>& Segments() const { return m_segments; }
  const std::vector<CSuggestedLine>& JoinedLines() const { return m_lines; }
  const CSuggestedDirection& Direction(int axis) const { return m_directions[axis]; }
  int Count(int axis) const;          // segments suggested for the direction
  int AcceptedCount(int axis) const;  // of those, accepted
  int OutlierCount() const { return Count(kOutlier); }

  // The suggested segment (not an outlier) nearest to the position within `tolerancePixels`,
  // toggled; its index, or −1 when none is that close.
  int ToggleAt(double x, double y, double tolerancePixels);
  // Every suggested segment with both ends inside the rectangle (corners in any order) no longer
  // accepted; how many were accepted before.
  int DisableInside(double x0, double y0, double x1, double y1);
  void SetAccepted(int index, bool accepted) { m_segments[index].accepted = accepted; }

  // The command for the directions taken (`axes`: X, Y, Z): the whole action list that follows
  // from `current`. Added segments go to the end; replacing ones take the place of the first
  // segment they replace (or the end), the others of those directions being dropped. A
  // suggestion that lies on a segment the list keeps (both ends of one within kSameEdgePixels
  // of the other, in any direction, enabled or not) is left out, so that detecting again and
  // adding does not enter every segment twice; `alreadyThere`, when given, counts them.
  // "Caculate " follows at the end when every direction then has at least two enabled segments.
  CActionList ActionsAfterAccepting(const CActionList& current, std::array<bool, 3> axes, EAcceptMode mode,
                                    int* alreadyThere = nullptr) const;
  // The accepted segments of the directions taken, as segment actions: the pieces of a line all
  // accepted as one segment along the line (in the place of its first piece), the others each as
  // it is.
  std::vector<CAction> AcceptedActions(std::array<bool, 3> axes) const;

 private:
  std::vector<CSuggestedSegment> m_segments;
  std::vector<CSuggestedLine> m_lines;
  std::array<CSuggestedDirection, 3> m_directions;
};

// Which grouped direction (kFirstGround, kSecondGround, kVertical) becomes X, Y and Z; −1 for an
// axis no found direction takes. The photograph's size sets how far is at infinity.
std::array<int, 3> AxesOfGroups(const CSegmentGrouping& grouping, int width, int height);

// Whether a list of actions, replayed, leaves at least two enabled segments in every direction.
bool HasSegmentsForCalculate(const CActionList& actions);
