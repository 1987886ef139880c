#include "metrology/PointMeasurement.h"

#include "metrology/Degeneracy.h"
#include "metrology/VerticalScale.h"
#include "model/SingleImage.h"
#include "numerics/Matrix.h"
#include "numerics/RowMatrix.h"

#include <cmath>
#include <vector>

namespace {

constexpr const char* kSingularPlane =
    "The plane at this height has no homography: set the reference parameters (GetParameter) first, "
    "and choose a height that is not the camera's.";
constexpr const char* kPointOnVanishingLine =
    "The point lies on the vanishing line of the ground plane: it has no position on the plane.";
constexpr const char* kImageAtInfinity =
    "The world point is imaged on the vanishing line: it has no finite image position.";
constexpr const char* kNoVerticalScale = "A is 0: set the reference parameters (GetParameter) first.";
constexpr const char* kSameEnds = "Point b and point t must differ: the vertical segment has no length.";
constexpr const char* kFootOnVanishingLine = "Point b must not lie on the vanishing line of the ground plane.";

// M(Z): the homography of the plane at height Z.
CRowMatrix PlaneAtHeight(const CSingleImage& model, double Z) {
  CRowMatrix M(3, 3);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) M[i][j] = model.m_HStandardMatrix[i][j];
    M[i][2] = (model.m_A * Z) * model.m_Vz[i] + model.m_HStandardMatrix[i][2];
  }
  return M;
}

}  // namespace

std::string CalculateImagePosition(const CSingleImage& model, CPointFields& f) {
  const CMatrix matrix;
  CRowMatrix M = PlaneAtHeight(model, f.m_Z);
  const double world[3] = {f.m_X - model.m_StandardOrigin[0], f.m_Y - model.m_StandardOrigin[1], 1};
  double p[3];
  matrix.MatrixVectorMultiply(M.Rows(), world, p, 3, 3);
  f.m_bU = p[0] / p[2] + model.GetWidth() / 2.0;
  f.m_bV = p[1] / p[2] + model.GetHeight() / 2.0;

  if (IsSingular3x3(M.Rows())) return kSingularPlane;
  if (std::fabs(p[2]) <= kDegenerateRelative * matrix.VectorNorm(p, 3)) return kImageAtInfinity;
  return {};
}

std::string CalculateXY(const CSingleImage& model, CPointFields& f) {
  const CMatrix matrix;
  CRowMatrix M = PlaneAtHeight(model, f.m_Z);
  const double q[3] = {f.m_U - model.GetWidth() / 2.0, f.m_V - model.GetHeight() / 2.0, 1};
  CRowMatrix Minv(3, 3);
  matrix.InvertMatrix(M.Rows(), Minv.Rows(), 3);
  double r[3];
  matrix.MatrixVectorMultiply(Minv.Rows(), q, r, 3, 3);
  f.m_X = r[0] / r[2] + model.m_StandardOrigin[0];
  f.m_Y = r[1] / r[2] + model.m_StandardOrigin[1];

  if (IsSingular3x3(M.Rows())) return kSingularPlane;
  if (LiesOnLine(model.m_lScale, q)) return kPointOnVanishingLine;
  return {};
}

std::string CalculateZ(const CSingleImage& model, CPointFields& f) {
  const double b[3] = {f.m_bU - model.GetWidth() / 2.0, f.m_bV - model.GetHeight() / 2.0, 1};
  const double t[3] = {f.m_tU - model.GetWidth() / 2.0, f.m_tV - model.GetHeight() / 2.0, 1};
  f.m_Z = VerticalScaleOrHeight(b, t, model.m_Vz, model.m_lScale, model.m_A);

  std::vector<std::string> causes;
  if (model.m_A == 0) causes.emplace_back(kNoVerticalScale);
  if (SamePoint(b, TopOnVertical(b, t, model.m_Vz).data())) causes.emplace_back(kSameEnds);
  const CMatrix matrix;
  if (matrix.VectorNorm(model.m_lScale, 3) != 0 && LiesOnLine(model.m_lScale, b))
    causes.emplace_back(kFootOnVanishingLine);
  return JoinCauses(causes);
}

double TopOffVertical(const CSingleImage& model, const CPointFields& f) {
  const double b[3] = {f.m_bU - model.GetWidth() / 2.0, f.m_bV - model.GetHeight() / 2.0, 1};
  const double t[3] = {f.m_tU - model.GetWidth() / 2.0, f.m_tV - model.GetHeight() / 2.0, 1};
  return TopDistanceFromVertical(b, t, model.m_Vz);
}

void GetReferences(const CSingleImage& model, CPointFields& f) {
  const auto takeOver = [&model](int id, double CViewPoint::*coordinate, double& field) {
    if (id == -1) return;
    for (int i = 0; i < model.m_Points.GetCount(); ++i) {
      const CViewPoint& point = *model.m_Points.ElementAt(i);
      if (point.m_id == id) {
        field = point.*coordinate;
        return;
      }
    }
  };
  takeOver(f.m_nRefX, &CViewPoint::m_x, f.m_X);
  takeOver(f.m_nRefY, &CViewPoint::m_y, f.m_Y);
  takeOver(f.m_nRefZ, &CViewPoint::m_z, f.m_Z);
}

void AddViewPoint(CSingleImage& model, const CPointFields& f) {
  auto* point = new CViewPoint;
  point->m_id = model.m_nMaxId + 1;
  model.m_nMaxId = model.m_nMaxId + 1;
  point->m_u = f.m_U - model.GetWidth() / 2.0;
  point->m_v = f.m_V - model.GetHeight() / 2.0;
  point->m_x = f.m_X;
  point->m_refX = f.m_nRefX;
  point->m_y = f.m_Y;
  point->m_refY = f.m_nRefY;
  point->m_z = f.m_Z;
  point->m_refZ = f.m_nRefZ;
  model.m_Points.Add(point);
}

void DeleteViewPoint(CSingleImage& model, int index) { model.m_Points.RemoveAt(index); }
