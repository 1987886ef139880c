#pragma once
// "Disable Outliers…": per direction, the enabled segments whose residual against that
// direction's vanishing point (as the scene model holds it after the last "Caculate ") exceeds
// a threshold are disabled, so the vanishing point rests on the consistent ones.

#include "session/Replay.h"

#include <array>

class CSingleImage;

struct COutlierTrim {
  CActionList actions;            // the list with those segments disabled and "Caculate " after them
  std::array<int, 3> disabled{};  // per direction X, Y, Z
  int Total() const { return disabled[0] + disabled[1] + disabled[2]; }
};

COutlierTrim DisableOutliers(const CActionList& actions, const CSingleImage& model, double thresholdDegrees);
