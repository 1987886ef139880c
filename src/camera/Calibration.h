#pragma once
// The camera behind the photograph, from the vanishing points and the reference parameters.
// The scene model images the world point (X, Y, Z) at the centred position of
//     P · (X, Y, Z, 1),   P = [m_HStandardMatrix columns 0 and 1, A·Vz, m_HStandardMatrix · (−Sx, −Sy, 1)],
// the same mapping as the point measurement's image position. The camera is P = λ·K·[R | t]
// with square pixels and no skew. Frames:
//  - image: centred pixels (u, v), v upwards; K = [f 0 px; 0 f py; 0 0 1] maps the camera's
//    (right, up, forward) directions to them;
//  - camera: x right, y down, z forward (the computer-vision frame, right-handed); R maps world
//    to camera, so its rows are the camera's right, down and forward directions in the world;
//  - world: the scene model's, X and Y on the ground, Z up. A left-handed world (X, Y, Z) has
//    no camera: no rotation images it.
// Angles: heading about the world's Z from +X towards +Y of the viewing direction; pitch of the
// viewing direction above the horizon; roll about the optical axis, positive when the camera's
// right side is raised (the photograph's content turns clockwise). Radians throughout.

#include <array>
#include <optional>
#include <string>

class CSingleImage;

// Which vanishing points lie in the photograph's plane at a finite position.
enum class ECalibrationCase {
  ThreeFinite,  // principal point at the orthocentre of the vanishing points' triangle
  TwoFinite,    // the third direction is parallel to the photograph: principal point on the line
                // through the two finite points, where it passes nearest the photograph's centre
  OneFinite,    // one-point perspective: principal point at the finite point, focal length given
};

using CVector3 = std::array<double, 3>;
using CMatrix3 = std::array<CVector3, 3>;  // rows

struct CCameraCalibration {
  std::string problem;  // why there is no camera; "" when the fields below hold one
  ECalibrationCase calibrationCase = ECalibrationCase::ThreeFinite;
  int imageWidth = 0, imageHeight = 0;

  double P[3][4] = {};            // centred pixels, v upwards, from world (X, Y, Z, 1)
  double focalPixels = 0;
  double principalPoint[2] = {};  // centred pixels, v upwards
  CMatrix3 rotation = {};         // world → camera (x right, y down, z forward), rows
  CVector3 translation = {};      // camera = rotation · world + translation
  CVector3 position = {};         // camera centre, world units: the null space of P

  double height = 0;   // position[2]: above the ground plane Z = 0
  double heading = 0, pitch = 0, roll = 0;
  // Fields of view of a photograph of this size centred on the principal point: 2·atan(w / 2f)
  // and 2·atan(h / 2f). A viewer with a lens shift (the principal point's offset) sees exactly
  // the photograph.
  double horizontalFov = 0, verticalFov = 0;
  // f scaled from the photograph's diagonal to the 43.27 mm diagonal of a 36 × 24 mm frame, as
  // cameras state FocalLengthIn35mmFilm.
  double focal35mm = 0;

  // Consistency: how far the calibrated X and Y directions miss a right angle, and the aspect
  // (fy / fx) and skew (relative to fx) of the upper-triangular factor of P's left 3 × 3 block.
  double xyAngleError = 0;
  double aspect = 1, skew = 0;
  bool IsValid() const { return problem.empty(); }
};

// The 35 mm frame's diagonal, millimetres.
inline constexpr double k35mmDiagonal = 43.266615305567875;  // √(36² + 24²)

// The focal length in pixels of a photograph of `width` × `height` whose 35 mm equivalent focal
// length is `focal35mm` millimetres: the inverse of `focal35mm` above.
double FocalPixelsFrom35mm(double focal35mm, int width, int height);

// Calibrates from the scene model after "Caculate " and "GetParameter". `givenFocalPixels` is
// needed in the one-point case and is ignored otherwise.
CCameraCalibration CalibrateCamera(const CSingleImage& model, std::optional<double> givenFocalPixels = {});

// The centred image position of a world point through the calibrated camera K·[R | t].
std::array<double, 2> ProjectThroughCamera(const CCameraCalibration& camera, const CVector3& world);

// Pixel position as the status bar shows it (column from the left, row from the bottom) of a
// centred position.
std::array<double, 2> PixelFromCentred(const CCameraCalibration& camera, double u, double v);

// The case as words for reports: "three finite vanishing points", …
const char* CalibrationCaseName(ECalibrationCase calibrationCase);

// The unit quaternion (w, x, y, z) of a rotation matrix, w ≥ 0.
std::array<double, 4> QuaternionFromRotation(const CMatrix3& rotation);
