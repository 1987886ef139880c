// The σ of the camera's figures from a job's typed positions, against Monte Carlo runs of the
// same job with every typed position drawn with the position noise; and the jobs that have none.

#include "CameraScene.h"
#include "ScriptedServices.h"
#include "SyntheticReference.h"
#include "model/DataFile.h"
#include "session/CameraUncertainty.h"
#include "session/Project.h"
#include "session/Session.h"

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
  const std::vector<CAction> job = CameraJob(scene);
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
  std::vector<CAction> job = CameraJob(scene);
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
  std::vector<CAction> job = CameraJob(scene);
  job.erase(job.end() - 2, job.end());  // no vanishing points, no reference
  const CCameraWithUncertainty result = CalibrateWithUncertainty(Shared(job), 800, 600, kPositionSigma);
  EXPECT_FALSE(result.camera.IsValid());
  EXPECT_EQ(result.uncertainty.problem, result.camera.problem);
  EXPECT_NE(result.uncertainty.problem, "");
}


// A one-point photograph: looking straight along X from level, only X's vanishing point is
// finite. The focal length the user gives (as a 35 mm equivalent, as lenses are labelled) is kept
// by the session, in the project, and makes the camera; undoing it takes the camera away.
TEST(GivenFocalLength, MakesTheCameraOfAOnePointPhotographAndIsKeptAndUndone) {
  const int width = 800, height = 600;
  const double focal = 1.1 * width;
  const CSyntheticScene scene = LookingAtBoxes(width, height, focal, 0, 0, 0, 0, 0);
  CSession session;
  session.StartPhotograph(std::make_shared<CSingleImage>(width, height), {"/photos/one-point.jpg", width, height, ""},
                          "Load Photograph");
  ASSERT_EQ(session.Append(CameraJob(scene), "Job"), "");
  const auto calibrate = [&session] {
    return CalibrateWithUncertainty(session.Actions(), width, height, kPositionSigma, session.GivenFocalPixels());
  };
  EXPECT_NE(calibrate().camera.problem.find("the focal length must be given"), std::string::npos)
      << calibrate().camera.problem;

  // 35 mm equivalent: f in pixels scaled from the photograph's diagonal (1000 pixels) to 43.27 mm.
  const double millimetres = focal / 1000 * std::sqrt(36.0 * 36.0 + 24.0 * 24.0);
  EXPECT_NE(session.SetGivenFocal35mm(-3, "Set Focal Length"), "");
  EXPECT_FALSE(session.CanUndo() && session.UndoName() == "Set Focal Length");
  ASSERT_EQ(session.SetGivenFocal35mm(millimetres, "Set Focal Length"), "");
  ASSERT_TRUE(session.GivenFocalPixels());
  EXPECT_NEAR(*session.GivenFocalPixels(), focal, 1e-9 * focal);
  const CCameraWithUncertainty result = calibrate();
  ASSERT_TRUE(result.camera.IsValid()) << result.camera.problem;
  EXPECT_EQ(result.camera.calibrationCase, ECalibrationCase::OneFinite);
  EXPECT_NEAR(result.camera.focalPixels, focal, 1e-9 * focal);
  // 16 units from (1.5, 1, 0.5), looking along X.
  EXPECT_NEAR(result.camera.position[0], 1.5 - 16, 1e-6);
  EXPECT_NEAR(result.camera.position[1], 1, 1e-6);
  EXPECT_NEAR(result.camera.position[2], 0.5, 1e-6);

  // Saved with the project and read back.
  CProject project;
  std::string error;
  ASSERT_TRUE(ReadProject(ProjectText(session.Photograph(), session.Actions(), "/photos", session.PositionSigma(),
                                      session.GivenFocal35mm()),
                          "/photos", project, error))
      << error;
  ASSERT_TRUE(project.focal35mm);
  EXPECT_EQ(*project.focal35mm, millimetres);
  const char* bad = R"({"photograph": "p.jpg", "focal_length_35mm": 0})";
  EXPECT_FALSE(ReadProject(bad, "/photos", project, error));
  EXPECT_EQ(error, "focal_length_35mm: expected a positive number of millimetres");

  session.Undo();
  EXPECT_FALSE(session.GivenFocal35mm());
  EXPECT_FALSE(calibrate().camera.IsValid());
  // A new photograph is another camera: its focal length is not known.
  session.Redo();
  session.StartPhotograph(std::make_shared<CSingleImage>(width, height), {"/photos/other.jpg", width, height, ""},
                          "Load Photograph");
  EXPECT_FALSE(session.GivenFocal35mm());
}

}  // namespace
