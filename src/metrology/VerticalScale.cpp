#include "metrology/VerticalScale.h"

#include "numerics/Matrix.h"
#include "services/NumberText.h"

#include <cmath>

namespace {

// The line through b and vz as (a, b, c) with a·u + b·v + c = 0, and a² + b²; 0 when there is none.
double VerticalThrough(const double* b, const double* vz, double line[3]) {
  const CMatrix matrix;
  matrix.CrossProduct(b, vz, line);
  const double normalSquared = line[0] * line[0] + line[1] * line[1];
  return std::isfinite(normalSquared) ? normalSquared : 0;
}

}  // namespace

std::array<double, 3> TopOnVertical(const double* b, const double* t, const double* vz) {
  double line[3];
  const double normalSquared = VerticalThrough(b, vz, line);
  if (normalSquared == 0) return {t[0], t[1], t[2]};
  const double along = (line[0] * t[0] + line[1] * t[1] + line[2] * t[2]) / normalSquared;
  return {t[0] - along * line[0], t[1] - along * line[1], t[2]};
}

double TopDistanceFromVertical(const double* b, const double* t, const double* vz) {
  double line[3];
  const double normalSquared = VerticalThrough(b, vz, line);
  if (normalSquared == 0) return 0;
  return std::fabs(line[0] * t[0] + line[1] * t[1] + line[2] * t[2]) / std::sqrt(normalSquared);
}

std::string TopOffVerticalWarning(double distancePixels) {
  if (!(distancePixels > kTopOffVerticalWarningPixels)) return {};
  return "Point t is " + FormatFixed(distancePixels, 1) +
         " pixels off the vertical through point b: the top is not above its foot. The height is measured from "
         "the point of that vertical nearest to t.";
}

double VerticalOrientation(const double* b, const double* t, const double* vz) {
  const CMatrix matrix;
  double bt[3], vt[3];
  matrix.CrossProduct(b, t, bt);
  matrix.CrossProduct(vz, t, vt);
  return matrix.DotProduct(bt, vt) < 0 ? -1.0 : 1.0;
}

double VerticalScaleOrHeight(const double* b, const double* typedTop, const double* vz, const double* vanishingLine,
                             double known) {
  const CMatrix matrix;
  const std::array<double, 3> top = TopOnVertical(b, typedTop, vz);
  const double* t = top.data();
  double bt[3], vt[3];
  matrix.CrossProduct(b, t, bt);
  matrix.CrossProduct(vz, t, vt);
  const double normBT = matrix.VectorNorm(bt, 3);
  const double normVT = matrix.VectorNorm(vt, 3);
  const double d = matrix.DotProduct(vanishingLine, b);
  const double sigma = VerticalOrientation(b, t, vz);
  return -(sigma * normBT) / ((d * normVT) * known);
}
