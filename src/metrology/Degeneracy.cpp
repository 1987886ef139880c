#include "metrology/Degeneracy.h"

#include "numerics/Matrix.h"

#include <cmath>

bool LiesOnLine(const double* line, const double* point) {
  const CMatrix matrix;
  const double scale = matrix.VectorNorm(line, 3) * matrix.VectorNorm(point, 3);
  return scale == 0 || std::fabs(matrix.DotProduct(line, point)) <= kDegenerateRelative * scale;
}

bool SamePoint(const double* p, const double* q) {
  const CMatrix matrix;
  double cross[3];
  matrix.CrossProduct(p, q, cross);
  return matrix.VectorNorm(cross, 3) <= kDegenerateRelative * matrix.VectorNorm(p, 3) * matrix.VectorNorm(q, 3);
}

bool IsSingular3x3(double** M) {
  const double determinant = M[0][0] * (M[1][1] * M[2][2] - M[1][2] * M[2][1]) -
                             M[0][1] * (M[1][0] * M[2][2] - M[1][2] * M[2][0]) +
                             M[0][2] * (M[1][0] * M[2][1] - M[1][1] * M[2][0]);
  double scale = 1;
  for (int j = 0; j < 3; ++j) scale *= std::sqrt(M[0][j] * M[0][j] + M[1][j] * M[1][j] + M[2][j] * M[2][j]);
  return !std::isfinite(determinant) || std::fabs(determinant) <= kDegenerateRelative * scale;
}

std::string JoinCauses(const std::vector<std::string>& causes) {
  std::string message;
  for (const std::string& cause : causes) {
    if (!message.empty()) message += "\n";
    message += cause;
  }
  return message;
}
