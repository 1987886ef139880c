#pragma once
// The image positions of a job that the user can take with the mouse and move: the ends of the
// enabled segments, the typed positions of the measured points, and the origin, second ground
// point and reference foot and top of the GetParameter in force. Positions are photograph
// pixels (column from the left, row from the bottom), as the actions hold them. Moving a handle
// edits the action that holds it, so a replay of the edited list is the job with the position
// typed there in the first place.

#include "session/Actions.h"
#include "session/Replay.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class CSingleImage;

enum class EHandleKind { SegmentEnd, Point, Origin, GroundPoint, ReferenceFoot, ReferenceTop };

struct CHandle {
  EHandleKind kind = EHandleKind::SegmentEnd;
  size_t action = 0;  // index in the action list
  int end = 0;        // of a segment: 0 for (x1, y1), 1 for (x2, y2)
  int pointId = -1;   // of a point
  std::array<double, 2> position{};
  // As the status bar names it: "Segment X 3, end 1", "Point 7", "Origin".
  std::string name;

  bool operator==(const CHandle&) const = default;
};

// Every handle of the list, in the order of the actions. Points loaded from a data file, points
// deleted since, disabled segments and a GetParameter undone by a later "Caculate " or data file
// have none.
std::vector<CHandle> ListHandles(const CActionList& actions);

// The handle nearest to `at` within `radius` pixels, or none. Where several lie equally near
// (a corner that ends segments and carries a point), a point goes before a reference mark and a
// reference mark before a segment end, and a later action before an earlier one.
std::optional<CHandle> NearestHandle(const std::vector<CHandle>& handles, std::array<double, 2> at, double radius);

// The name of the command that moves the handle: "Move Segment End", "Move Point 7", "Move Origin".
std::string MoveCommandName(const CHandle& handle);

// The list with the handle moved to `to`. A point's top and foot move with it where they were
// the same position. An action kept as dialog presses is driven again on `model`, replayed up to
// it (its scene is left so), with the new position typed where the old one was: the fields its
// buttons compute then follow the new position. None when the action cannot be driven again.
std::optional<CActionList> MoveHandle(const CActionList& actions, const CHandle& handle, std::array<double, 2> to,
                                      CSingleImage& model, double positionSigma = kImagePositionSigma);
