#include "metrology/Measurements.h"

#include "metrology/MeasurementLog.h"
#include "model/SingleImage.h"

#include <cmath>
#include <vector>

namespace {

using CPoint3 = std::array<double, 3>;

CPoint3 WorldOf(const CSingleImage& model, int id) {
  const CViewPoint& p = *model.m_Points.ElementAt(model.FindPointIndex(id));
  return {p.m_x, p.m_y, p.m_z};
}

CPoint3 Cross(const CPoint3& a, const CPoint3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Length(const CPoint3& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

// The value, and its σ from the gradient with respect to every corner's coordinates.
CMeasuredValue WithSigma(const CMeasurementLog& log, double value, const int* ids, const CPoint3* gradient,
                         int count) {
  std::vector<CWeightedCoordinate> terms;
  for (int i = 0; i < count; ++i)
    for (int k = 0; k < 3; ++k) terms.push_back({ids[i], k, gradient[i][k]});
  CMeasuredValue measured;
  measured.value = value;
  measured.sigma = log.SigmaOfSum(terms);
  return measured;
}

CMeasuredValue Refused(std::string message) {
  CMeasuredValue refused;
  refused.message = std::move(message);
  return refused;
}

}  // namespace

CMeasuredValue MeasureDistance(const CSingleImage& model, const CMeasurementLog& log, int idA, int idB) {
  const int ids[2] = {idA, idB};
  if (std::string missing = MissingPointsMessage(model, ids, 2); !missing.empty()) return Refused(missing);
  const CPoint3 a = WorldOf(model, idA), b = WorldOf(model, idB);
  const CPoint3 d = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  const double length = Length(d);
  // The direction is undefined for one point twice: the distance 0 moves only outwards, and
  // its first-order σ is taken as 0.
  const CPoint3 unit = length > 0 ? CPoint3{d[0] / length, d[1] / length, d[2] / length} : CPoint3{0, 0, 0};
  const CPoint3 gradient[2] = {unit, {-unit[0], -unit[1], -unit[2]}};
  return WithSigma(log, length, ids, gradient, 2);
}

CMeasuredValue MeasureHeightDifference(const CSingleImage& model, const CMeasurementLog& log, int idA, int idB) {
  const int ids[2] = {idA, idB};
  if (std::string missing = MissingPointsMessage(model, ids, 2); !missing.empty()) return Refused(missing);
  const CPoint3 gradient[2] = {{0, 0, 1}, {0, 0, -1}};
  return WithSigma(log, WorldOf(model, idA)[2] - WorldOf(model, idB)[2], ids, gradient, 2);
}

CMeasuredValue MeasureArea(const CSingleImage& model, const CMeasurementLog& log, const std::array<int, 4>& ids) {
  if (std::string missing = MissingPointsMessage(model, ids.data(), 4); !missing.empty()) return Refused(missing);
  CPoint3 p[4];
  for (int i = 0; i < 4; ++i) p[i] = WorldOf(model, ids[i]);
  // Area = ½‖d1 × d2‖ with the diagonals d1 = p2 − p0, d2 = p3 − p1; with n the unit normal,
  // ∂Area/∂d1 = ½ d2 × n and ∂Area/∂d2 = ½ n × d1.
  const CPoint3 d1 = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
  const CPoint3 d2 = {p[3][0] - p[1][0], p[3][1] - p[1][1], p[3][2] - p[1][2]};
  const CPoint3 normal = Cross(d1, d2);
  const double twice = Length(normal);
  const CPoint3 n = twice > 0 ? CPoint3{normal[0] / twice, normal[1] / twice, normal[2] / twice} : CPoint3{0, 0, 0};
  const CPoint3 alongD1 = Cross(d2, n), alongD2 = Cross(n, d1);
  CPoint3 gradient[4];
  for (int k = 0; k < 3; ++k) {
    gradient[2][k] = 0.5 * alongD1[k];
    gradient[0][k] = -0.5 * alongD1[k];
    gradient[3][k] = 0.5 * alongD2[k];
    gradient[1][k] = -0.5 * alongD2[k];
  }
  return WithSigma(log, 0.5 * twice, ids.data(), gradient, 4);
}

std::array<int, 4> CornersInOrderAround(const CSingleImage& model, const std::array<int, 4>& ids) {
  if (!MissingPointsMessage(model, ids.data(), 4).empty()) return ids;
  const auto twiceArea = [&model](const std::array<int, 4>& order) {
    CPoint3 p[4];
    for (int i = 0; i < 4; ++i) p[i] = WorldOf(model, order[i]);
    const CPoint3 d1 = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const CPoint3 d2 = {p[3][0] - p[1][0], p[3][1] - p[1][1], p[3][2] - p[1][2]};
    return Length(Cross(d1, d2));
  };
  std::array<int, 4> best = ids;
  double largest = twiceArea(ids);
  for (const std::array<int, 4>& order : {std::array<int, 4>{ids[0], ids[1], ids[3], ids[2]},
                                          std::array<int, 4>{ids[0], ids[2], ids[1], ids[3]}})
    if (const double area = twiceArea(order); area > largest) {
      largest = area;
      best = order;
    }
  return best;
}

CMeasuredValue MeasureFaceArea(const CSingleImage& model, const CMeasurementLog& log, int faceNumber) {
  const int faces = model.m_Textures.GetCount();
  if (faceNumber < 0 || faceNumber >= faces)
    return Refused("Face " + std::to_string(faceNumber) + " doesn't exist.");
  const CTextureImage& face = *model.m_Textures.ElementAt(faceNumber);
  const std::array<int, 4> ids = {face.m_pointId[0], face.m_pointId[1], face.m_pointId[2], face.m_pointId[3]};
  if (std::string missing = MissingPointsMessage(model, ids.data(), 4); !missing.empty())
    return Refused("Face " + std::to_string(faceNumber) + " has a missing corner: " + missing);
  return MeasureArea(model, log, ids);
}
