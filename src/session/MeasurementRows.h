#pragma once
// The measurements between points as a table shows them: what each measures, its value and σ
// from the joint covariance, and for a check length its known value, the difference and that
// difference in σ. A difference above kSuspiciousSigmas σ is marked: the photograph, or an
// input, does not hold what the measurement assumes.

#include "session/Replay.h"

#include <optional>
#include <string>
#include <vector>

class CSingleImage;

inline constexpr double kSuspiciousSigmas = 3.0;

struct CMeasurementRow {
  std::string name;     // "Distance 0–3", "Height difference 4–0", "Area 0, 1, 5, 4"
  std::string problem;  // why there is no value ("" when there is one)
  double value = 0;
  std::optional<double> sigma;
  std::optional<double> known;
  std::optional<double> difference;  // value − known
  std::optional<double> sigmas;      // |difference| / σ
  bool suspicious = false;
};

std::vector<CMeasurementRow> MeasurementRows(const CSingleImage& model, const CReplayed& replayed);

// The vertical references as a table shows them: GetParameter's first (once it has run), then
// the further ones in the order added, each with its own A, its residual against the A the scene
// holds, the height that A gives it, and a note (why it is not used in the fit).
struct CReferenceRow {
  bool parameters = false;  // GetParameter's reference, not removable here
  CVerticalReference reference;
  std::optional<double> ownA, sigmaA, residual, impliedHeight;
  std::string note;
};

std::vector<CReferenceRow> ReferenceRows(const CReplayed& replayed);
