// The camera recovered from photographs of a known camera, through the program's own road, and
// the bad inputs that have no camera.

#include "CameraScene.h"
#include "MetrologyExamples.h"
#include "ScriptedServices.h"
#include "camera/Calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// Noise-free segments through an SVD at 1e-15 leave the camera exact up to rounding.
constexpr double kRecovered = 1e-9;
constexpr double kPi = std::numbers::pi;

struct CCameraCase {
  const char* name;
  int width, height;
  double focal;  // in widths
  double yaw, pitch, roll;
  double offsetU, offsetV;  // principal point, pixels from the centre
  ECalibrationCase expected;
  double givenFocal = 0;  // passed when positive
};

void PrintTo(const CCameraCase& c, std::ostream* out) { *out << c.name; }

class Calibration : public ::testing::TestWithParam<CCameraCase> {};

TEST_P(Calibration, RecoversTheCameraThatTookThePhotograph) {
  CScriptedServices services;
  const CCameraCase c = GetParam();
  const CSyntheticScene scene =
      LookingAtBoxes(c.width, c.height, c.focal * c.width, c.yaw, c.pitch, c.roll, c.offsetU, c.offsetV);
  const auto model = MeasuredModel(scene);
  const CCameraCalibration camera =
      CalibrateCamera(*model, c.givenFocal > 0 ? std::optional<double>(c.givenFocal * c.width) : std::nullopt);
  ASSERT_TRUE(camera.IsValid()) << c.name << ": " << camera.problem;
  EXPECT_EQ(camera.calibrationCase, c.expected) << c.name;

  const double focal = c.focal * c.width, diagonal = std::hypot(c.width, c.height);
  EXPECT_NEAR(camera.focalPixels / focal, 1, kRecovered) << c.name << ": f = " << camera.focalPixels << ", true " << focal;
  EXPECT_NEAR(camera.principalPoint[0], c.offsetU, kRecovered * diagonal) << c.name;
  EXPECT_NEAR(camera.principalPoint[1], c.offsetV, kRecovered * diagonal) << c.name;

  const double distance = 16, target[3] = {1.5, 1, 0.5};
  const double position[3] = {target[0] - distance * std::cos(c.pitch) * std::cos(c.yaw),
                              target[1] - distance * std::cos(c.pitch) * std::sin(c.yaw),
                              target[2] + distance * std::sin(c.pitch)};
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(camera.position[i], position[i], kRecovered * distance) << c.name << " position " << i;
  EXPECT_NEAR(camera.height, position[2], kRecovered * distance) << c.name;

  CPinholeCamera truth;
  truth.yaw = c.yaw, truth.pitch = c.pitch, truth.roll = c.roll;
  const CMatrix3 R = TrueRotation(truth);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(camera.rotation[i][j], R[i][j], kRecovered) << c.name << " R" << i << j;
  EXPECT_NEAR(camera.heading, c.yaw, kRecovered) << c.name;
  EXPECT_NEAR(camera.pitch, -c.pitch, kRecovered) << c.name;  // the synthetic camera's pitch is downwards
  EXPECT_NEAR(camera.roll, c.roll, kRecovered) << c.name;
  EXPECT_NEAR(camera.horizontalFov, 2 * std::atan(0.5 / c.focal), kRecovered) << c.name;
  EXPECT_NEAR(camera.verticalFov, 2 * std::atan(c.height / (2 * focal)), kRecovered) << c.name;
  EXPECT_NEAR(camera.focal35mm, focal * 43.266615305567875 / diagonal, kRecovered * camera.focal35mm) << c.name;
  EXPECT_LT(camera.xyAngleError, kRecovered) << c.name;
  EXPECT_NEAR(camera.aspect, 1, kRecovered) << c.name;
  EXPECT_NEAR(camera.skew, 0, kRecovered) << c.name;

  for (const auto& [X, Y, Z] : scene.Corners()) {
    const auto pixel = scene.Pixel(X, Y, Z);
    const auto seen = ProjectThroughCamera(camera, {X, Y, Z});
    const auto seenPixel = PixelFromCentred(camera, seen[0], seen[1]);
    EXPECT_NEAR(seenPixel[0], pixel[0], kRecovered * diagonal) << c.name;
    EXPECT_NEAR(seenPixel[1], pixel[1], kRecovered * diagonal) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, Calibration,
    ::testing::Values(
        CCameraCase{"Wide", 640, 480, 0.6, 0.3 * kPi, 0.45, 0.1, 12, -7, ECalibrationCase::ThreeFinite},
        CCameraCase{"Normal", 800, 600, 1.2, 0.25 * kPi, 0.35, -0.2, -25, 18, ECalibrationCase::ThreeFinite},
        CCameraCase{"Long", 1023, 767, 3, 0.35 * kPi, 0.3, 0.05, 0, 0, ECalibrationCase::ThreeFinite},
        CCameraCase{"SteepAndRolled", 641, 481, 0.9, 0.2 * kPi, 0.9, 0.25, 30, 20, ECalibrationCase::ThreeFinite},
        CCameraCase{"Portrait", 480, 640, 1.0, 0.3 * kPi, 0.4, 0, -10, 40, ECalibrationCase::ThreeFinite},
        // A level camera: the principal point's height is fixed by the horizon, its place along
        // the horizon only where the horizon passes nearest the centre.
        CCameraCase{"Level", 640, 480, 1.1, 0.3 * kPi, 0, 0, 0, 0, ECalibrationCase::TwoFinite},
        CCameraCase{"LevelShifted", 800, 600, 0.8, 0.22 * kPi, 0, 0, 0, -45, ECalibrationCase::TwoFinite},
        // Looking along X, level: one-point perspective needs the focal length.
        CCameraCase{"OnePoint", 640, 480, 1.3, 0, 0, 0.15, 0, 0, ECalibrationCase::OneFinite, 1.3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Calibration, OnePointPerspectiveWithoutAFocalLengthSaysSo) {
  CScriptedServices services;
  const auto model = MeasuredModel(LookingAtBoxes(640, 480, 800, 0, 0, 0, 0, 0));
  const CCameraCalibration camera = CalibrateCamera(*model);
  EXPECT_EQ(camera.calibrationCase, ECalibrationCase::OneFinite);
  EXPECT_NE(camera.problem.find("focal length must be given"), std::string::npos) << camera.problem;
}

TEST(Calibration, AMirroredWorldHasNoCamera) {
  CScriptedServices services;
  const auto model = MeasuredModel(LookingAtBoxes(640, 480, 700, 0.3 * kPi, 0.4, 0, 0, 0), false);
  EXPECT_NE(CalibrateCamera(*model).problem.find("left-handed"), std::string::npos);
}

struct CBadCase {
  const char* name;
  double vx[3], vy[3], vz[3];
  const char* cause;  // a part of the message
};

TEST(Calibration, BadVanishingPointsNameTheirCause) {
  const CBadCase cases[] = {
      {"missing", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, "vanishing points are missing"},
      {"coincident", {100, 20, 1}, {200, 40, 2}, {0, -900, 1}, "coincide"},
      // An obtuse triangle: its orthocentre lies outside, on the same side of two points.
      {"obtuse", {-100, 0, 1}, {100, 0, 1}, {0, 10, 1}, "imaginary"},
      {"vertical on the horizon", {-400, 50, 1}, {600, 50, 1}, {2000, 50, 1}, "on the horizon"},
      {"vertical at infinity on the horizon", {-400, 0, 1}, {600, 0, 1}, {1, 0, 0}, "on the horizon"},
      {"two finite on one side", {300, 0, 1}, {600, 0, 1}, {0, 1, 0}, "imaginary"},
      {"none finite", {1, 0, 0}, {0.6, 0.8, 0}, {0, 1, 0}, "No vanishing point is finite"},
  };
  for (const CBadCase& c : cases) {
    auto model = EmptyPhotograph(640, 480);
    for (int i = 0; i < 3; ++i) {
      model->m_Vx[i] = c.vx[i], model->m_Vy[i] = c.vy[i], model->m_Vz[i] = c.vz[i];
      model->m_HStandardMatrix[i][i] = 1;
    }
    model->m_A = 1;
    const CCameraCalibration camera = CalibrateCamera(*model);
    EXPECT_FALSE(camera.IsValid()) << c.name;
    EXPECT_NE(camera.problem.find(c.cause), std::string::npos) << c.name << ": " << camera.problem;
  }
  auto unset = AxisAlignedScene();
  EXPECT_NE(CalibrateCamera(*unset).problem.find("GetParameter"), std::string::npos);
}

TEST(Calibration, QuaternionsTurnAsTheirRotations) {
  // Rotations about each axis by a known angle, and one of 180°.
  const double angle = 0.7, c = std::cos(angle), s = std::sin(angle);
  const CMatrix3 aboutZ = {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
  const auto q = QuaternionFromRotation(aboutZ);
  EXPECT_NEAR(q[0], std::cos(angle / 2), 1e-15);
  EXPECT_NEAR(q[3], std::sin(angle / 2), 1e-15);
  const CMatrix3 halfTurnAboutX = {{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
  const auto h = QuaternionFromRotation(halfTurnAboutX);
  EXPECT_NEAR(std::fabs(h[1]), 1, 1e-15);
  EXPECT_NEAR(h[0], 0, 1e-15);
}

}  // namespace
