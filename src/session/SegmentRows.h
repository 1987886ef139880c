#pragma once
// The segments of a job as a table shows them: one row per segment action, enabled or not, the
// directions in turn (X, Y, Z) and each in the order entered, with its residual against its
// direction's vanishing point as the scene holds it now, and per direction a quality line.
// Segments count at the next "Caculate " after them: a replay estimates each "Caculate "'s
// vanishing points from the enabled segments listed before it, so a segment disabled or deleted
// before it is left out there, and one after the last "Caculate " counts from the next.

#include "metrology/SegmentResiduals.h"
#include "session/Replay.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class CSingleImage;

struct CSegmentRow {
  size_t action = 0;  // its place in the action list
  int axis = 0;       // 0 X, 1 Y, 2 Z
  int number = 0;     // among its direction's segments, enabled or not, from 0
  int line = -1;      // among its direction's enabled segments as replayed (CReplayed::lines); −1 when disabled
  std::array<double, 4> ends{};  // photograph pixels as typed
  bool enabled = true;
  bool counted = false;  // the vanishing point in force rests on it
  double lengthPixels = 0;
  std::optional<double> snapRms;  // RMS of its fit to the edge, pixels, when it was snapped or detected
  std::optional<CSegmentResidual> residual;
  bool outlier = false;  // residual angle above kOutlierMedianFactor times its direction's median
};

struct CSegmentTable {
  std::vector<CSegmentRow> rows;
  std::array<CDirectionQuality, 3> quality;
};

CSegmentTable SegmentTable(const CActionList& actions, const CSingleImage& model, const CReplayed& replayed);

// "X 3": the name of a direction's segment number `number`.
std::string SegmentName(int axis, int number);

// The list with the segment action at `action` enabled or disabled.
CActionList WithSegmentEnabled(const CActionList& actions, size_t action, bool enabled);
// The list without the actions at these places.
CActionList WithoutActions(const CActionList& actions, const std::vector<size_t>& places);
