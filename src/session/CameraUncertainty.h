#pragma once
// How far the camera behind the photograph is known: the standard deviation of every calibrated
// figure from the joint propagation of every image position the job's actions hold (segment
// ends, and the reference dialog's origin, ground point, foot and top), each an independent
// error of `positionSigma` pixels in both coordinates. The figures are linear enough in the
// positions over a pixel that a numerical Jacobian through the job's own replay carries them:
// each position is moved by a small step both ways, the job replayed into a scratch model
// without pixels, the camera calibrated, and σ_f² = Σ (∂f/∂x_i)² · σ².

#include "camera/Calibration.h"
#include "session/Replay.h"

#include <optional>
#include <string>

struct CCameraUncertainty {
  std::string problem;  // why there is no σ; "" when `sigma` holds it
  // The standard deviation of each figure in the field of the same name (principal point in
  // pixels, angles in radians, position and height in world units; P's entries are not
  // scaled to a meaning). The calibration case and the image size are the camera's.
  CCameraCalibration sigma;
  size_t positions = 0;  // image coordinates that were moved
  bool IsValid() const { return problem.empty(); }
};

// The camera of a job on a photograph of `width` × `height` and its σ. Only the actions up to the
// last one that can change the camera are replayed. `givenFocalPixels` as in CalibrateCamera.
// There is no σ without a camera, or when the vanishing points or the scales in force were
// loaded from a data file.
struct CCameraWithUncertainty {
  CCameraCalibration camera;
  CCameraUncertainty uncertainty;
};
CCameraWithUncertainty CalibrateWithUncertainty(const CActionList& actions, int width, int height,
                                                double positionSigma,
                                                std::optional<double> givenFocalPixels = {});

// The step, in pixels, by which each position is moved both ways: large against the replay's
// rounding (the vanishing points' SVD stops at a relative 1e-7), small against the curvature of
// the figures over the positions' noise.
inline constexpr double kCameraDerivativeStep = 1e-3;
