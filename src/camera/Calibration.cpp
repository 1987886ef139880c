#include "camera/Calibration.h"

#include "model/SingleImage.h"
#include "numerics/Matrix.h"

#include <algorithm>
#include <cmath>

namespace {

// A vanishing point farther from the centre than this many photograph diagonals is taken to lie
// at infinity: its direction is then parallel to the photograph within 1e-8 rad for any focal
// length up to a diagonal.
constexpr double kInfinityDiagonals = 1e8;
// Unit vanishing points whose cross product is shorter than this are one point.
constexpr double kCoincident = 1e-9;
// A unit vertical vanishing point this close to the unit horizon line lies on it.
constexpr double kOnHorizon = 1e-9;
constexpr double kSvdTolerance = 1e-15;

constexpr const char* kNoVanishingPoints =
    "The vanishing points are missing: enter segments for Vx, Vy and Vz and run \"Caculate \" first.";
constexpr const char* kNoReference = "The reference parameters are missing: run \"GetParameter\" first.";
constexpr const char* kCoincidentPoints = "Two vanishing points coincide: the directions X, Y and Z are not distinct.";
constexpr const char* kVerticalOnHorizon =
    "The vertical vanishing point lies on the horizon (the line through Vx and Vy): Z cannot be perpendicular to the "
    "ground.";
constexpr const char* kImaginaryFocal =
    "The focal length is imaginary: two finite vanishing points lie on the same side of the principal point (their "
    "triangle has an angle of 90° or more).";
constexpr const char* kNoFiniteVanishingPoint =
    "No vanishing point is finite: the photograph shows no perspective that fixes a camera.";
constexpr const char* kFocalNeeded =
    "Only one vanishing point is finite (one-point perspective): the focal length must be given.";
constexpr const char* kBadFocal = "The given focal length must be a positive number of pixels.";
constexpr const char* kLeftHanded =
    "The world axes X, Y, Z form a left-handed frame (check the signs of the reference point's X and Y): no camera "
    "images it.";
constexpr const char* kNoProjection = "The projection is singular: the reference parameters do not fix a camera.";

double Dot(const CVector3& a, const CVector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Norm(const CVector3& a) { return std::sqrt(Dot(a, a)); }
CVector3 Cross(const CVector3& a, const CVector3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
CVector3 Unit(const CVector3& a) {
  const double n = Norm(a);
  return {a[0] / n, a[1] / n, a[2] / n};
}

double Determinant(const CMatrix3& m) { return Dot(m[0], Cross(m[1], m[2])); }

// m⁻¹ by the adjugate; the caller has checked the determinant.
CMatrix3 Inverse(const CMatrix3& m) {
  const double det = Determinant(m);
  const CVector3 c0 = Cross(m[1], m[2]), c1 = Cross(m[2], m[0]), c2 = Cross(m[0], m[1]);
  CMatrix3 inverse;
  for (int i = 0; i < 3; ++i) inverse[i] = {c0[i] / det, c1[i] / det, c2[i] / det};
  return inverse;
}

CVector3 Times(const CMatrix3& m, const CVector3& x) { return {Dot(m[0], x), Dot(m[1], x), Dot(m[2], x)}; }

// The orthocentre of the triangle a, b, c: the intersection of the altitudes from a and b.
std::array<double, 2> Orthocentre(const double a[2], const double b[2], const double c[2]) {
  // (p − a)·(b − c) = 0 and (p − b)·(c − a) = 0.
  const double m00 = b[0] - c[0], m01 = b[1] - c[1], m10 = c[0] - a[0], m11 = c[1] - a[1];
  const double r0 = a[0] * m00 + a[1] * m01, r1 = b[0] * m10 + b[1] * m11;
  const double det = m00 * m11 - m01 * m10;
  return {(r0 * m11 - m01 * r1) / det, (m00 * r1 - m10 * r0) / det};
}

// The point of the line through a and b nearest the origin.
std::array<double, 2> FootFromCentre(const double a[2], const double b[2]) {
  const double d[2] = {b[0] - a[0], b[1] - a[1]};
  const double s = -(a[0] * d[0] + a[1] * d[1]) / (d[0] * d[0] + d[1] * d[1]);
  return {a[0] + s * d[0], a[1] + s * d[1]};
}

double OffsetProduct(const double a[2], const double b[2], const std::array<double, 2>& p) {
  return (a[0] - p[0]) * (b[0] - p[0]) + (a[1] - p[1]) * (b[1] - p[1]);
}

// The rotation nearest to m in the Frobenius norm, U·Vᵀ of its SVD.
CMatrix3 NearestRotation(const CMatrix3& m) {
  double a[9], u[9] = {}, vt[9] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a[3 * i + j] = m[i][j];
  CMatrix().Svd(a, 3, 3, u, vt, kSvdTolerance);
  CMatrix3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i][j] = u[3 * i] * vt[j] + u[3 * i + 1] * vt[3 + j] + u[3 * i + 2] * vt[6 + j];
  return r;
}

}  // namespace

const char* CalibrationCaseName(ECalibrationCase calibrationCase) {
  switch (calibrationCase) {
    case ECalibrationCase::ThreeFinite:
      return "three finite vanishing points";
    case ECalibrationCase::TwoFinite:
      return "two finite vanishing points";
    case ECalibrationCase::OneFinite:
      return "one finite vanishing point";
  }
  return "";
}

CCameraCalibration CalibrateCamera(const CSingleImage& model, std::optional<double> givenFocalPixels) {
  CCameraCalibration camera;
  camera.imageWidth = model.GetWidth();
  camera.imageHeight = model.GetHeight();
  const auto fail = [&camera](const char* problem) {
    camera.problem = problem;
    return camera;
  };

  const CVector3 raw[3] = {{model.m_Vx[0], model.m_Vx[1], model.m_Vx[2]},
                           {model.m_Vy[0], model.m_Vy[1], model.m_Vy[2]},
                           {model.m_Vz[0], model.m_Vz[1], model.m_Vz[2]}};
  for (const CVector3& v : raw)
    if (!(Norm(v) > 0) || !std::isfinite(Norm(v))) return fail(kNoVanishingPoints);
  bool anyReference = false;
  for (const auto& row : model.m_HStandardMatrix)
    for (double e : row) anyReference = anyReference || e != 0;
  if (model.m_A == 0 || !anyReference) return fail(kNoReference);

  const CVector3 unit[3] = {Unit(raw[0]), Unit(raw[1]), Unit(raw[2])};
  for (int i = 0; i < 3; ++i)
    if (Norm(Cross(unit[i], unit[(i + 1) % 3])) < kCoincident) return fail(kCoincidentPoints);

  // Finite vanishing points as centred positions.
  const double diagonal = std::hypot(camera.imageWidth, camera.imageHeight);
  bool finite[3];
  double at[3][2] = {};
  int finiteCount = 0;
  for (int i = 0; i < 3; ++i) {
    const CVector3& v = unit[i];
    finite[i] = std::hypot(v[0], v[1]) < kInfinityDiagonals * diagonal * std::fabs(v[2]);
    if (!finite[i]) continue;
    at[i][0] = v[0] / v[2], at[i][1] = v[1] / v[2];
    ++finiteCount;
  }
  if (finiteCount == 0) return fail(kNoFiniteVanishingPoint);
  if (std::fabs(Dot(Unit(Cross(unit[0], unit[1])), unit[2])) < kOnHorizon) return fail(kVerticalOnHorizon);

  std::array<double, 2> principal{};
  double focal = 0;
  if (finiteCount == 3) {
    camera.calibrationCase = ECalibrationCase::ThreeFinite;
    principal = Orthocentre(at[0], at[1], at[2]);
    // At the orthocentre the three products are equal; their mean is symmetric in the axes.
    const double products[3] = {OffsetProduct(at[0], at[1], principal), OffsetProduct(at[1], at[2], principal),
                                OffsetProduct(at[2], at[0], principal)};
    for (double product : products)
      if (!(product < 0)) return fail(kImaginaryFocal);
    focal = std::sqrt(-(products[0] + products[1] + products[2]) / 3);
  } else if (finiteCount == 2) {
    camera.calibrationCase = ECalibrationCase::TwoFinite;
    const int i = finite[0] ? 0 : 1, j = finite[2] ? 2 : 1;
    principal = FootFromCentre(at[i], at[j]);
    const double product = OffsetProduct(at[i], at[j], principal);
    if (!(product < 0)) return fail(kImaginaryFocal);
    focal = std::sqrt(-product);
  } else {
    camera.calibrationCase = ECalibrationCase::OneFinite;
    const int i = finite[0] ? 0 : finite[1] ? 1 : 2;
    principal = {at[i][0], at[i][1]};
    if (!givenFocalPixels) return fail(kFocalNeeded);
    if (!(*givenFocalPixels > 0) || !std::isfinite(*givenFocalPixels)) return fail(kBadFocal);
    focal = *givenFocalPixels;
  }
  camera.focalPixels = focal;
  camera.principalPoint[0] = principal[0], camera.principalPoint[1] = principal[1];

  // P from the scene model, as the point measurement images a world point.
  const double Sx = model.m_StandardOrigin[0], Sy = model.m_StandardOrigin[1];
  for (int i = 0; i < 3; ++i) {
    const double* h = model.m_HStandardMatrix[i];
    camera.P[i][0] = h[0];
    camera.P[i][1] = h[1];
    camera.P[i][2] = model.m_A * model.m_Vz[i];
    camera.P[i][3] = h[0] * -Sx + h[1] * -Sy + h[2];
  }

  // The same in the camera's frame (y down): Pcv = diag(1, −1, 1)·P, and Kcv⁻¹·Pcv = λ·[R | t].
  // The world origin is seen, so λ has the sign of its image's third coordinate.
  const double sign = camera.P[2][3] < 0 ? -1 : 1;
  CMatrix3 M, Q;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) M[i][j] = (i == 1 ? -1 : 1) * sign * camera.P[i][j];
  if (!(std::fabs(Determinant(M)) > 0) || !std::isfinite(Determinant(M))) return fail(kNoProjection);
  const double px = principal[0], py = -principal[1];
  for (int j = 0; j < 3; ++j) {
    Q[2][j] = M[2][j];
    Q[1][j] = (M[1][j] - py * M[2][j]) / focal;
    Q[0][j] = (M[0][j] - px * M[2][j]) / focal;
  }
  CMatrix3 columns;  // Q with unit columns
  for (int j = 0; j < 3; ++j) {
    const double n = std::sqrt(Q[0][j] * Q[0][j] + Q[1][j] * Q[1][j] + Q[2][j] * Q[2][j]);
    for (int i = 0; i < 3; ++i) columns[i][j] = Q[i][j] / n;
  }
  if (Determinant(columns) < 0) return fail(kLeftHanded);
  const double xy = columns[0][0] * columns[0][1] + columns[1][0] * columns[1][1] + columns[2][0] * columns[2][1];
  camera.xyAngleError = std::fabs(std::acos(std::clamp(xy, -1.0, 1.0)) - std::acos(0.0));
  camera.rotation = NearestRotation(columns);

  // The centre is where P vanishes: M·C = −p4.
  const CMatrix3 inverse = Inverse(M);
  const CVector3 p4 = {sign * camera.P[0][3], -sign * camera.P[1][3], sign * camera.P[2][3]};
  const CVector3 c = Times(inverse, p4);
  camera.position = {-c[0], -c[1], -c[2]};
  const CVector3 rc = Times(camera.rotation, camera.position);
  camera.translation = {-rc[0], -rc[1], -rc[2]};

  const CMatrix3& R = camera.rotation;
  camera.height = camera.position[2];
  camera.heading = std::atan2(R[2][1], R[2][0]);
  camera.pitch = std::asin(std::clamp(R[2][2], -1.0, 1.0));
  camera.roll = std::atan2(R[0][2], -R[1][2]);
  camera.horizontalFov = 2 * std::atan(camera.imageWidth / (2 * focal));
  camera.verticalFov = 2 * std::atan(camera.imageHeight / (2 * focal));
  camera.focal35mm = focal * k35mmDiagonal / diagonal;

  // RQ of M: rows from the bottom, Gram–Schmidt.
  const CVector3 r2 = Unit(M[2]);
  const double k12 = Dot(M[1], r2);
  const CVector3 m1 = {M[1][0] - k12 * r2[0], M[1][1] - k12 * r2[1], M[1][2] - k12 * r2[2]};
  const double k11 = Norm(m1);
  const CVector3 r1 = Unit(m1);
  const double k01 = Dot(M[0], r1), k02 = Dot(M[0], r2);
  const CVector3 m0 = {M[0][0] - k01 * r1[0] - k02 * r2[0], M[0][1] - k01 * r1[1] - k02 * r2[1],
                       M[0][2] - k01 * r1[2] - k02 * r2[2]};
  const double k00 = Norm(m0);
  camera.aspect = k11 / k00;
  camera.skew = k01 / k00;
  return camera;
}

std::array<double, 2> ProjectThroughCamera(const CCameraCalibration& camera, const CVector3& world) {
  const CVector3 c = Times(camera.rotation, world);
  const double x = c[0] + camera.translation[0], y = c[1] + camera.translation[1], z = c[2] + camera.translation[2];
  return {camera.focalPixels * x / z + camera.principalPoint[0], -camera.focalPixels * y / z + camera.principalPoint[1]};
}

std::array<double, 2> PixelFromCentred(const CCameraCalibration& camera, double u, double v) {
  return {u + camera.imageWidth / 2.0, v + camera.imageHeight / 2.0};
}

std::array<double, 4> QuaternionFromRotation(const CMatrix3& m) {
  // Shepperd's method: divide by the largest of the four candidates.
  const double trace = m[0][0] + m[1][1] + m[2][2];
  std::array<double, 4> q;
  if (trace >= m[0][0] && trace >= m[1][1] && trace >= m[2][2]) {
    const double s = 2 * std::sqrt(1 + trace);
    q = {s / 4, (m[2][1] - m[1][2]) / s, (m[0][2] - m[2][0]) / s, (m[1][0] - m[0][1]) / s};
  } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
    const double s = 2 * std::sqrt(1 + m[0][0] - m[1][1] - m[2][2]);
    q = {(m[2][1] - m[1][2]) / s, s / 4, (m[0][1] + m[1][0]) / s, (m[0][2] + m[2][0]) / s};
  } else if (m[1][1] >= m[2][2]) {
    const double s = 2 * std::sqrt(1 + m[1][1] - m[0][0] - m[2][2]);
    q = {(m[0][2] - m[2][0]) / s, (m[0][1] + m[1][0]) / s, s / 4, (m[1][2] + m[2][1]) / s};
  } else {
    const double s = 2 * std::sqrt(1 + m[2][2] - m[0][0] - m[1][1]);
    q = {(m[1][0] - m[0][1]) / s, (m[0][2] + m[2][0]) / s, (m[1][2] + m[2][1]) / s, s / 4};
  }
  const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]) * (q[0] < 0 ? -1 : 1);
  for (double& c : q) c /= n;
  return q;
}

double FocalPixelsFrom35mm(double focal35mm, int width, int height) {
  return focal35mm * std::hypot(static_cast<double>(width), static_cast<double>(height)) / k35mmDiagonal;
}
