#pragma once
// "Disable Outliers…": per direction, the enabled segments whose residual against that
// direction's vanishing point exceeds a threshold are disabled, so the vanishing point rests on
// the consistent ones. The worst goes first and the point is estimated again from the rest (as
// "Caculate " does) before the next is judged, starting from the point the scene model holds;
// every direction keeps at least two segments. A direction without a vanishing point is left alone.

#include "session/Replay.h"

#include <array>

class CSingleImage;

struct COutlierTrim {
  CActionList actions;            // the list with those segments disabled and "Caculate " after them
  std::array<int, 3> disabled{};  // per direction X, Y, Z
  int Total() const { return disabled[0] + disabled[1] + disabled[2]; }
};

COutlierTrim DisableOutliers(const CActionList& actions, const CSingleImage& model, double thresholdDegrees);
