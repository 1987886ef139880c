// The σ of the camera's figures from a job's typed positions, against Monte Carlo runs of the
// same job with every typed position drawn with the position noise; and the jobs that have none.

#include "CameraScene.h"
#include "ScriptedServices.h"
#include "SyntheticReference.h"
#include "model/DataFile.h"
#include "session/CameraUncertainty.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kPositionSigma = 0.5;  // pixels
constexpr int kDraws = 800;
// A sample standard deviation of 800 draws is within 2.5 % of the true one at one σ: 10 % is four.
constexpr double kAgreement = 0.10;

// The job a user makes on the synthetic photograph: every box edge as a segment, "Caculate ",
// and the reference dialog typed.
std::vector<CAction> JobOf(const CSyntheticScene& scene) {
  std::vector<CAction> actions;
  for (int axis = 0; axis < 3; ++axis)
    for (const CPixelSegment& s : scene.EdgesAlong(axis)) actions.push_back(CSegmentAction{axis, s, true});
  actions.push_back(CCalculateAction{});
  const CReferenceFields f = SyntheticReference(scene);
  CTypedParameters typed;
  typed.origin = {f.m_WorldOriginU, f.m_WorldOriginV};
  typed.groundPixel = {f.m_PointU, f.m_PointV};
  typed.groundWorld = {f.m_PointX, f.m_PointY};
  typed.foot = {f.m_bU, f.m_bV};
  typed.top = {f.m_tU, f.m_tV};
  typed.height = f.m_ZValue;
  actions.push_back(CParametersAction{typed, {}});
  return actions;
}

CActionList Shared(const std::vector<CAction>& actions) {
  CActionList list;
  for (const CAction& action : actions) list.push_back(std::make_shared<const CAction>(action));
  return list;
}

// The figures compared: name, and where each lies in a calibration.
struct CFigure {
  const char* name;
  double (*value)(const CCameraCalibration&);
};
const CFigure kFigures[] = {
    {"focal", [](const CCameraCalibration& c) { return c.focalPixels; }},
    {"principal u", [](const CCameraCalibration& c) { return c.principalPoint[0]; }},
    {"principal v", [](const CCameraCalibration& c) { return c.principalPoint[1]; }},
    {"position X", [](const CCameraCalibration& c) { return c.position[0]; }},
    {"position Y", [](const CCameraCalibration& c) { return c.position[1]; }},
    {"position Z", [](const CCameraCalibration& c) { return c.position[2]; }},
    {"heading", [](const CCameraCalibration& c) { return c.heading; }},
    {"pitch", [](const CCameraCalibration& c) { return c.pitch; }},
    {"roll", [](const CCameraCalibration& c) { return c.roll; }},
    {"horizontal fov", [](const CCameraCalibration& c) { return c.horizontalFov; }},
};

struct CNoiseCase {
  const char* name;
  int width, height;
  double focal;  // in widths
  double yaw, pitch, roll;
  double offsetU, offsetV;
  unsigned seed;
};

void PrintTo(const CNoiseCase& c, std::ostream* out) { *out << c.name; }

class CameraUncertainty : public ::testing::TestWithParam<CNoiseCase> {};

TEST_P(CameraUncertainty, SigmaOfEveryFigureAgreesWithMonteCarlo) {
  CScriptedServices services;
  const CNoiseCase c = GetParam();
  const CSyntheticScene scene =
      LookingAtBoxes(c.width, c.height, c.focal * c.width, c.yaw, c.pitch, c.roll, c.offsetU, c.offsetV);
  const std::vector<CAction> job = JobOf(scene);
  const CCameraWithUncertainty computed = CalibrateWithUncertainty(Shared(job), c.width, c.height, kPositionSigma);
  ASSERT_TRUE(computed.uncertainty.IsValid()) << c.name << ": " << computed.uncertainty.problem;
  const size_t segments = job.size() - 2;
  EXPECT_EQ(computed.uncertainty.positions, 4 * segments + 8) << c.name;

  std::mt19937 random(c.seed);
  std::normal_distribution<double> noise(0, kPositionSigma);
  CSingleImage scratch(c.width, c.height);
  CReplayed replayed;
  std::vector<double> sum(std::size(kFigures)), squares(std::size(kFigures));
  for (int draw = 0; draw < kDraws; ++draw) {
    std::vector<CAction> noisy = job;
    for (CAction& action : noisy) {
      if (auto* segment = std::get_if<CSegmentAction>(&action))
        for (double& end : segment->ends) end += noise(random);
      if (auto* parameters = std::get_if<CParametersAction>(&action))
        for (auto* position : {&parameters->typed->origin, &parameters->typed->groundPixel, &parameters->typed->foot,
                               &parameters->typed->top})
          for (double& coordinate : *position) coordinate += noise(random);
    }
    ASSERT_FALSE(Replay(Shared(noisy), scratch, replayed, kPositionSigma)) << c.name;
    const CCameraCalibration camera = CalibrateCamera(scratch);
    ASSERT_TRUE(camera.IsValid()) << c.name << ": " << camera.problem;
    for (size_t k = 0; k < std::size(kFigures); ++k) {
      const double deviation = kFigures[k].value(camera) - kFigures[k].value(computed.camera);
      sum[k] += deviation, squares[k] += deviation * deviation;
    }
  }
  for (size_t k = 0; k < std::size(kFigures); ++k) {
    const double mean = sum[k] / kDraws;
    const double monteCarlo = std::sqrt((squares[k] - kDraws * mean * mean) / (kDraws - 1));
    const double propagated = kFigures[k].value(computed.uncertainty.sigma);
    EXPECT_NEAR(propagated / monteCarlo, 1, kAgreement)
        << c.name << " " << kFigures[k].name << ": σ " << propagated << ", Monte Carlo " << monteCarlo;
  }
}

INSTANTIATE_TEST_SUITE_P(Cameras, CameraUncertainty,
                         ::testing::Values(CNoiseCase{"Normal", 800, 600, 1.2, 0.25 * kPi, 0.35, -0.2, -25, 18, 3},
                                           CNoiseCase{"WideAndRolled", 641, 481, 0.7, 0.2 * kPi, 0.6, 0.25, 30, 20, 5}));

TEST(CameraUncertaintyOfAJob, VanishingPointsLoadedFromADataFileHaveNoSigmaUntilCalculatedAgain) {
  CScriptedServices services;
  const CSyntheticScene scene = LookingAtBoxes(800, 600, 960, 0.25 * kPi, 0.35, -0.2, 0, 0);
  std::vector<CAction> job = JobOf(scene);
  CSingleImage measured(800, 600);
  CReplayed replayed;
  ASSERT_FALSE(Replay(Shared(job), measured, replayed, kPositionSigma));
  std::vector<CAction> loaded = {CDataFileAction{"scene.txt", DataFileText(measured)}};
  const CCameraWithUncertainty fromFile = CalibrateWithUncertainty(Shared(loaded), 800, 600, kPositionSigma);
  EXPECT_TRUE(fromFile.camera.IsValid()) << fromFile.camera.problem;
  EXPECT_NE(fromFile.uncertainty.problem.find("data file"), std::string::npos) << fromFile.uncertainty.problem;
  // Measured again on top of the loaded file, the camera has its σ once more.
  loaded.insert(loaded.end(), job.begin(), job.end());
  EXPECT_TRUE(CalibrateWithUncertainty(Shared(loaded), 800, 600, kPositionSigma).uncertainty.IsValid());
}

TEST(CameraUncertaintyOfAJob, WithoutACameraSaysWhy) {
  CScriptedServices services;
  const CSyntheticScene scene = LookingAtBoxes(800, 600, 960, 0.25 * kPi, 0.35, -0.2, 0, 0);
  std::vector<CAction> job = JobOf(scene);
  job.erase(job.end() - 2, job.end());  // no vanishing points, no reference
  const CCameraWithUncertainty result = CalibrateWithUncertainty(Shared(job), 800, 600, kPositionSigma);
  EXPECT_FALSE(result.camera.IsValid());
  EXPECT_EQ(result.uncertainty.problem, result.camera.problem);
  EXPECT_NE(result.uncertainty.problem, "");
}

}  // namespace
