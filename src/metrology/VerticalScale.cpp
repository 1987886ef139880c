#include "metrology/VerticalScale.h"

#include "numerics/Matrix.h"

double VerticalOrientation(const double* b, const double* t, const double* vz) {
  const CMatrix matrix;
  double bt[3], vt[3];
  matrix.CrossProduct(b, t, bt);
  matrix.CrossProduct(vz, t, vt);
  return matrix.DotProduct(bt, vt) < 0 ? -1.0 : 1.0;
}

double VerticalScaleOrHeight(const double* b, const double* t, const double* vz, const double* vanishingLine,
                             double known) {
  const CMatrix matrix;
  double bt[3], vt[3];
  matrix.CrossProduct(b, t, bt);
  matrix.CrossProduct(vz, t, vt);
  const double normBT = matrix.VectorNorm(bt, 3);
  const double normVT = matrix.VectorNorm(vt, 3);
  const double d = matrix.DotProduct(vanishingLine, b);
  const double sigma = VerticalOrientation(b, t, vz);
  return -(sigma * normBT) / ((d * normVT) * known);
}
