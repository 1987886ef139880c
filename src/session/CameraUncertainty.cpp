#include "session/CameraUncertainty.h"

#include "dialogs/DialogforParameter.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

namespace {

// Every figure of a calibration, in one order; the angles that wrap around come last.
constexpr size_t kWrappingAngles = 2;  // heading, roll
std::vector<double*> Figures(CCameraCalibration& c) {
  std::vector<double*> figures;
  for (auto& row : c.P)
    for (double& value : row) figures.push_back(&value);
  figures.push_back(&c.focalPixels);
  figures.push_back(&c.principalPoint[0]), figures.push_back(&c.principalPoint[1]);
  for (auto& row : c.rotation)
    for (double& value : row) figures.push_back(&value);
  for (double& value : c.translation) figures.push_back(&value);
  for (double& value : c.position) figures.push_back(&value);
  for (double* value : {&c.height, &c.pitch, &c.horizontalFov, &c.verticalFov, &c.focal35mm, &c.xyAngleError,
                        &c.aspect, &c.skew, &c.heading, &c.roll})
    figures.push_back(value);
  return figures;
}

// One typed image coordinate: moving it by `delta` from where the user put it.
using CMove = std::function<void(double delta)>;

void AddCoordinate(std::vector<CMove>& moves, double& value) {
  moves.push_back([&value, original = value](double delta) { value = original + delta; });
}

// A field of the reference dialog given as presses: every text it held is moved together, as
// the one position the user typed.
void AddField(std::vector<CMove>& moves, std::vector<CDialogStep>& steps, int controlId) {
  std::vector<std::pair<std::string*, double>> texts;
  for (CDialogStep& step : steps)
    if (auto it = step.texts.find(controlId); it != step.texts.end())
      if (const auto value = ParseDoubleField(it->second); value && std::isfinite(*value)) texts.push_back({&it->second, *value});
  if (texts.empty()) return;
  moves.push_back([texts](double delta) {
    for (const auto& [text, original] : texts) *text = FormatDoubleField(original + delta);
  });
}

void AddPositions(std::vector<CMove>& moves, CAction& action) {
  if (auto* segment = std::get_if<CSegmentAction>(&action)) {
    if (segment->enabled)
      for (double& end : segment->ends) AddCoordinate(moves, end);
  } else if (auto* parameters = std::get_if<CParametersAction>(&action)) {
    if (parameters->typed) {
      CTypedParameters& t = *parameters->typed;
      for (auto* position : {&t.origin, &t.groundPixel, &t.foot, &t.top})
        for (double& coordinate : *position) AddCoordinate(moves, coordinate);
    } else {
      for (int id : {IDC_ORIGIN_U, IDC_ORIGIN_V, IDC_GROUND_U, IDC_GROUND_V, IDC_REFERENCE_BU, IDC_REFERENCE_BV,
                     IDC_REFERENCE_TU, IDC_REFERENCE_TV})
        AddField(moves, parameters->steps, id);
    }
  }
}

bool ChangesTheCamera(const CAction& action) {
  return std::holds_alternative<CSegmentAction>(action) || std::holds_alternative<CCalculateAction>(action) ||
         std::holds_alternative<CParametersAction>(action) || std::holds_alternative<CDataFileAction>(action);
}

}  // namespace

CCameraWithUncertainty CalibrateWithUncertainty(const CActionList& actions, int width, int height,
                                                double positionSigma, std::optional<double> givenFocalPixels) {
  CCameraWithUncertainty result;
  CCameraUncertainty& uncertainty = result.uncertainty;

  size_t count = 0;
  for (size_t i = 0; i < actions.size(); ++i)
    if (actions[i] && ChangesTheCamera(*actions[i])) count = i + 1;
  std::vector<std::shared_ptr<CAction>> copies;
  CActionList job;
  for (size_t i = 0; i < count; ++i) {
    copies.push_back(std::make_shared<CAction>(*actions[i]));
    job.push_back(copies.back());
  }

  CSingleImage scratch(width, height);
  CReplayed replayed;
  const auto calibrate = [&](CCameraCalibration& camera) {
    if (const auto refused = Replay(job, scratch, replayed, positionSigma)) {
      camera = {};
      camera.problem = "the job cannot be replayed: " + refused->refusal;
      return;
    }
    camera = CalibrateCamera(scratch, givenFocalPixels);
  };
  calibrate(result.camera);
  if (!result.camera.IsValid()) {
    uncertainty.problem = result.camera.problem;
    return result;
  }

  // Vanishing points or scales last loaded from a data file carry no record of how they were
  // measured.
  bool calculatedAfterLoad = true, referencedAfterLoad = true;
  for (const auto& action : copies) {
    if (std::holds_alternative<CDataFileAction>(*action)) calculatedAfterLoad = referencedAfterLoad = false;
    if (std::holds_alternative<CCalculateAction>(*action)) calculatedAfterLoad = true;
    if (std::holds_alternative<CParametersAction>(*action)) referencedAfterLoad = true;
  }
  if (!calculatedAfterLoad || !referencedAfterLoad) {
    uncertainty.problem = "the vanishing points or the reference scales were loaded from a data file, which does not "
                          "say how they were measured";
    return result;
  }

  std::vector<CMove> moves;
  for (const auto& action : copies) AddPositions(moves, *action);
  CCameraCalibration& sigma = uncertainty.sigma;
  sigma.calibrationCase = result.camera.calibrationCase;
  sigma.imageWidth = width, sigma.imageHeight = height;
  sigma.aspect = 0;
  const std::vector<double*> sums = Figures(sigma);
  CCameraCalibration ahead, behind;
  const std::vector<double*> aheadFigures = Figures(ahead), behindFigures = Figures(behind);
  for (const CMove& move : moves) {
    move(kCameraDerivativeStep);
    calibrate(ahead);
    move(-kCameraDerivativeStep);
    calibrate(behind);
    move(0);
    if (!ahead.IsValid() || !behind.IsValid()) {
      uncertainty.problem = "the camera cannot be calibrated when an image position moves by a fraction of a pixel: " +
                            (ahead.IsValid() ? behind.problem : ahead.problem);
      uncertainty.sigma = {};
      return result;
    }
    for (size_t k = 0; k < sums.size(); ++k) {
      double difference = *aheadFigures[k] - *behindFigures[k];
      if (k + kWrappingAngles >= sums.size()) difference = std::remainder(difference, 2 * std::numbers::pi);
      const double derivative = difference / (2 * kCameraDerivativeStep);
      *sums[k] += derivative * derivative;
    }
  }
  for (double* sum : sums) *sum = std::sqrt(*sum) * positionSigma;
  uncertainty.positions = moves.size();
  return result;
}
