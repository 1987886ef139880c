#include "metrology/SegmentResiduals.h"

#include "model/SingleImage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kDegreesPerRadian = 180 / std::numbers::pi;

const double* VanishingPointOf(const CSingleImage& model, int axis) {
  return axis == 0 ? model.m_Vx : axis == 1 ? model.m_Vy : model.m_Vz;
}

// The direction of a segment in the image as an angle in [0°, 180°).
double LineAngleDegrees(const std::array<double, 4>& s) {
  const double angle = std::atan2(s[3] - s[1], s[2] - s[0]) * kDegreesPerRadian;
  return angle < 0 ? angle + 180 : angle;
}

}  // namespace

std::optional<CSegmentResidual> CentredSegmentResidual(const std::array<double, 2>& first,
                                                       const std::array<double, 2>& second,
                                                       const std::array<double, 3>& v) {
  const double mu = (first[0] + second[0]) / 2, mv = (first[1] + second[1]) / 2;
  // The line through the midpoint (mu, mv, 1) and v, as their cross product; for v at infinity
  // it runs through the midpoint in v's direction.
  const double line[3] = {mv * v[2] - v[1], v[0] - mu * v[2], mu * v[1] - mv * v[0]};
  const double normalLength = std::hypot(line[0], line[1]);
  const double du = second[0] - first[0], dv = second[1] - first[1];
  if (!(normalLength > 0) || !(std::hypot(du, dv) > 0)) return std::nullopt;
  // The segment's components across and along the line.
  const double across = std::fabs(du * line[0] + dv * line[1]);
  const double along = std::fabs(dv * line[0] - du * line[1]);
  CSegmentResidual residual;
  residual.angleDegrees = std::atan2(across, along) * kDegreesPerRadian;
  for (const auto& end : {first, second})
    residual.distancePixels = std::max(
        residual.distancePixels, std::fabs(end[0] * line[0] + end[1] * line[1] + line[2]) / normalLength);
  return residual;
}

std::optional<CSegmentResidual> SegmentResidual(const CSingleImage& model, int axis,
                                                const std::array<double, 4>& pixelEnds) {
  const double hw = model.GetWidth() / 2.0, hh = model.GetHeight() / 2.0;
  const double* v = VanishingPointOf(model, axis);
  return CentredSegmentResidual({pixelEnds[0] - hw, pixelEnds[1] - hh}, {pixelEnds[2] - hw, pixelEnds[3] - hh},
                                {v[0], v[1], v[2]});
}

std::optional<double> Median(std::vector<double> values) {
  if (values.empty()) return std::nullopt;
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + middle, values.end());
  const double upper = values[middle];
  if (values.size() % 2 == 1) return upper;
  const double lower = *std::max_element(values.begin(), values.begin() + middle);
  return (lower + upper) / 2;
}

std::vector<bool> OutlyingResiduals(const std::vector<std::optional<double>>& angles,
                                    const std::vector<bool>& counting) {
  std::vector<double> counted;
  for (size_t i = 0; i < angles.size(); ++i)
    if (angles[i] && i < counting.size() && counting[i]) counted.push_back(*angles[i]);
  const std::optional<double> median = Median(std::move(counted));
  std::vector<bool> outlying(angles.size(), false);
  if (!median) return outlying;
  for (size_t i = 0; i < angles.size(); ++i)
    outlying[i] = angles[i] && *angles[i] > kNegligibleResidualDegrees && *angles[i] > kOutlierMedianFactor * *median;
  return outlying;
}

std::optional<double> DirectionSigmaDegrees(const CVanishingPointSpread& spread, double positionSigma) {
  const CPrincipalAxes axes = PrincipalAxes(spread.covariance);
  const double variance = std::max({axes.variances[0], axes.variances[1], 0.0});
  const double sigma = positionSigma * std::sqrt(variance) * kDegreesPerRadian;
  if (!std::isfinite(sigma)) return std::nullopt;
  return sigma;
}

bool IsFiniteVanishingPoint(const std::array<double, 3>& v) {
  return std::fabs(v[2]) > kInfiniteTolerance * std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

bool WithinDegreesOfParallel(const std::vector<std::array<double, 4>>& segments, double limitDegrees) {
  if (segments.size() < 2) return true;
  // Each direction relative to the first, in (−90°, 90°]: with every two within the limit (at
  // most 45°) they all lie within it of the first and do not wrap, so the range is the largest
  // angle between two of them.
  const double reference = LineAngleDegrees(segments[0]);
  double lowest = 0, highest = 0;
  for (const auto& segment : segments) {
    double relative = LineAngleDegrees(segment) - reference;
    if (relative > 90) relative -= 180;
    if (relative <= -90) relative += 180;
    lowest = std::min(lowest, relative);
    highest = std::max(highest, relative);
  }
  return highest - lowest <= limitDegrees;
}

CDirectionQuality AssessDirection(const std::vector<std::array<double, 4>>& segments,
                                  const std::array<double, 3>& vanishingPoint,
                                  const std::optional<CVanishingPointSpread>& spread, double positionSigma) {
  CDirectionQuality quality;
  quality.segments = static_cast<int>(segments.size());
  if (spread) quality.directionSigmaDegrees = DirectionSigmaDegrees(*spread, positionSigma);
  quality.tooFew = segments.size() < 2;
  quality.nearlyParallel = !quality.tooFew && IsFiniteVanishingPoint(vanishingPoint) &&
                           WithinDegreesOfParallel(segments, kNearlyParallelDegrees);
  return quality;
}
