#include "metrology/ReferenceParameters.h"

#include "metrology/Degeneracy.h"
#include "metrology/VerticalScale.h"
#include "model/SingleImage.h"
#include "numerics/Matrix.h"
#include "numerics/RowMatrix.h"

#include <vector>

namespace {

constexpr const char* kPointOnAxis =
    "The second ground point must not lie on an axis: point x and point y must both be non-zero.";
constexpr const char* kZeroHeight = "Z Value must not be 0: the vertical segment needs a height.";
constexpr const char* kSameEnds = "Point b and point t must differ: the vertical segment has no length.";
constexpr const char* kFootOnVanishingLine = "Point b must not lie on the vanishing line of the ground plane.";
constexpr const char* kNoGroundLine =
    "The X and Y vanishing points coincide or are not set: calculate the vanishing points first.";

}  // namespace

std::string CalculateReferenceScales(const CSingleImage& model, CReferenceFields& f) {
  const CMatrix matrix;
  const double hw = model.GetWidth() / 2.0;
  const double hh = model.GetHeight() / 2.0;
  const double* Vx = model.m_Vx;
  const double* Vy = model.m_Vy;

  // H·(x, y, 1) ∝ (u', v', 1) for the second ground point, linear in a and b.
  const double u = f.m_PointU - hw;
  const double v = f.m_PointV - hh;
  const double x = f.m_PointX;
  const double y = f.m_PointY;
  CRowMatrix M(2, 2);
  M[0][0] = Vx[0] * x - Vx[2] * x * u;
  M[0][1] = Vy[0] * y - Vy[2] * y * u;
  M[1][0] = Vx[1] * x - Vx[2] * x * v;
  M[1][1] = Vy[1] * y - Vy[2] * y * v;
  double r[2] = {u - (f.m_WorldOriginU - hw), v - (f.m_WorldOriginV - hh)};
  matrix.SolveLinearSystem(M.Rows(), r, 2);
  f.m_a = r[0];
  f.m_b = r[1];

  const double b[3] = {f.m_bU - hw, f.m_bV - hh, 1};
  const double t[3] = {f.m_tU - hw, f.m_tV - hh, 1};
  double groundLine[3];
  matrix.CrossProduct(Vx, Vy, groundLine);
  matrix.Normalize(groundLine, 3);
  f.m_A = VerticalScaleOrHeight(b, t, model.m_Vz, groundLine, f.m_ZValue);

  std::vector<std::string> causes;
  if (x == 0 || y == 0) causes.emplace_back(kPointOnAxis);
  for (std::string& cause : VerticalSegmentProblems(model, f.m_bU, f.m_bV, f.m_tU, f.m_tV, f.m_ZValue))
    causes.push_back(std::move(cause));
  return JoinCauses(causes);
}

std::vector<std::string> VerticalSegmentProblems(const CSingleImage& model, double bU, double bV, double tU, double tV,
                                                 double height) {
  const CMatrix matrix;
  const double b[3] = {bU - model.GetWidth() / 2.0, bV - model.GetHeight() / 2.0, 1};
  const double t[3] = {tU - model.GetWidth() / 2.0, tV - model.GetHeight() / 2.0, 1};
  double groundLine[3];
  matrix.CrossProduct(model.m_Vx, model.m_Vy, groundLine);
  const bool hasGroundLine = matrix.VectorNorm(groundLine, 3) != 0;
  matrix.Normalize(groundLine, 3);
  std::vector<std::string> causes;
  if (height == 0) causes.emplace_back(kZeroHeight);
  if (SamePoint(b, TopOnVertical(b, t, model.m_Vz).data())) causes.emplace_back(kSameEnds);
  if (!hasGroundLine)
    causes.emplace_back(kNoGroundLine);
  else if (LiesOnLine(groundLine, b))
    causes.emplace_back(kFootOnVanishingLine);
  return causes;
}

double TopOffVertical(const CSingleImage& model, const CReferenceFields& f) {
  const double b[3] = {f.m_bU - model.GetWidth() / 2.0, f.m_bV - model.GetHeight() / 2.0, 1};
  const double t[3] = {f.m_tU - model.GetWidth() / 2.0, f.m_tV - model.GetHeight() / 2.0, 1};
  return TopDistanceFromVertical(b, t, model.m_Vz);
}

void StoreReferenceParameters(CSingleImage& model, double a, double b, double A, double worldOriginU,
                              double worldOriginV) {
  const CMatrix matrix;
  const double hw = model.GetWidth() / 2.0;
  const double hh = model.GetHeight() / 2.0;
  model.m_A = A;
  model.m_a = a;
  model.m_b = b;
  matrix.CrossProduct(model.m_Vx, model.m_Vy, model.m_lScale);
  matrix.Normalize(model.m_lScale, 3);
  model.m_l[0] = worldOriginU - hw;
  model.m_l[1] = worldOriginV - hh;
  model.m_l[2] = 1.0;
  for (int i = 0; i < 3; ++i) {
    model.m_HMatrix[i][0] = a * model.m_Vx[i];
    model.m_HMatrix[i][1] = b * model.m_Vy[i];
    model.m_HMatrix[i][2] = model.m_l[i];
  }

  CRowMatrix H(3, 3);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) H[i][j] = model.m_HMatrix[i][j];
  CRowMatrix Hinv(3, 3);
  matrix.InvertMatrix(H.Rows(), Hinv.Rows(), 3);
  double q[3];
  matrix.MatrixVectorMultiply(Hinv.Rows(), model.m_lScale, q, 3, 3);
  model.m_StandardOrigin[0] = q[0] / q[2];
  model.m_StandardOrigin[1] = q[1] / q[2];

  CRowMatrix T({{1, 0, model.m_StandardOrigin[0]}, {0, 1, model.m_StandardOrigin[1]}, {0, 0, 1}});
  CRowMatrix G(3, 3);
  matrix.MatrixMultiply(H.Rows(), T.Rows(), G.Rows(), 3, 3, 3);
  // The third column of G images the standard origin, a multiple of the vanishing line; scale
  // it to the vanishing line itself. The sign is that of the whole vector, so rounding noise in
  // a near-zero component cannot flip it.
  const double c[3] = {G[0][2], G[1][2], G[2][2]};
  double s = matrix.DotProduct(c, model.m_lScale) < 0 ? -1.0 : 1.0;
  s = s / matrix.VectorNorm(c, 3);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) model.m_HStandardMatrix[i][j] = s * G[i][j];
}
