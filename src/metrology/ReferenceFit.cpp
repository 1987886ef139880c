#include "metrology/ReferenceFit.h"

#include "metrology/VerticalScale.h"
#include "model/SingleImage.h"
#include "numerics/Matrix.h"

#include <cmath>

namespace {

// Central differences move a position by this many pixels, as the measurement log does.
constexpr double kPositionStep = 1e-2;

constexpr const char* kParameterNote = "GetParameter's reference";

// A_i of the segment with this vertical vanishing point; the vanishing line from the model.
double OwnScale(const CSingleImage& model, const CVerticalReference& r, const double* vz) {
  const CMatrix matrix;
  const double hw = model.GetWidth() / 2.0, hh = model.GetHeight() / 2.0;
  const double b[3] = {r.foot[0] - hw, r.foot[1] - hh, 1};
  const double t[3] = {r.top[0] - hw, r.top[1] - hh, 1};
  double groundLine[3];
  matrix.CrossProduct(model.m_Vx, model.m_Vy, groundLine);
  matrix.Normalize(groundLine, 3);
  return VerticalScaleOrHeight(b, t, vz, groundLine, r.height);
}

// var(A_i) per unit variance of a position coordinate.
double UnitVariance(const CSingleImage& model, const CVerticalReference& r, const CVanishingPointSpread* vertical) {
  double variance = 0;
  const auto add = [&](double plus, double minus, double step) {
    const double d = (plus - minus) / (2 * step);
    variance += d * d;
  };
  for (int k = 0; k < 4; ++k) {
    CVerticalReference moved[2] = {r, r};
    double* plus = k < 2 ? &moved[0].foot[k] : &moved[0].top[k - 2];
    double* minus = k < 2 ? &moved[1].foot[k] : &moved[1].top[k - 2];
    *plus += kPositionStep, *minus -= kPositionStep;
    add(OwnScale(model, moved[0], model.m_Vz), OwnScale(model, moved[1], model.m_Vz), kPositionStep);
  }
  if (!vertical) return variance;
  // The vanishing point moves along the principal axes of its spread, independently.
  const auto [axes, variances] = PrincipalAxes(vertical->covariance);
  for (int m = 0; m < 2; ++m) {
    if (!(variances[m] > 0)) continue;
    const double step = kPositionStep * std::sqrt(variances[m]);
    double shifted[2][3];
    for (int i = 0; i < 3; ++i) {
      const double along = axes[m][0] * vertical->directions[0][i] + axes[m][1] * vertical->directions[1][i];
      shifted[0][i] = model.m_Vz[i] + step * along;
      shifted[1][i] = model.m_Vz[i] - step * along;
    }
    add(OwnScale(model, r, shifted[0]), OwnScale(model, r, shifted[1]), kPositionStep);
  }
  return variance;
}

}  // namespace

CVerticalReference ParameterReference(const CReferenceFields& p) {
  return {{p.m_bU, p.m_bV}, {p.m_tU, p.m_tV}, p.m_ZValue};
}

CVerticalScaleFit FitVerticalScale(const CSingleImage& model, const CReferenceFields& parameters,
                                   const std::vector<CVerticalReference>& further,
                                   const CVanishingPointSpread* vertical, double positionSigma) {
  CVerticalScaleFit fit;
  std::vector<CVerticalReference> all = {ParameterReference(parameters)};
  all.insert(all.end(), further.begin(), further.end());
  double weightSum = 0, weighted = 0;
  bool furtherUsed = false;
  for (size_t i = 0; i < all.size(); ++i) {
    CFittedReference entry;
    entry.reference = all[i];
    const CVerticalReference& r = all[i];
    const std::vector<std::string> problems = VerticalSegmentProblems(model, r.foot[0], r.foot[1], r.top[0], r.top[1], r.height);
    const double own = OwnScale(model, r, model.m_Vz);
    if (std::isfinite(own)) entry.ownA = own;
    const double variance = positionSigma * positionSigma * UnitVariance(model, r, vertical);
    if (std::isfinite(variance) && variance >= 0) entry.sigmaA = std::sqrt(variance);
    if (!problems.empty()) {
      entry.note = "Not used in the fit: " + problems.front();
    } else if (!entry.ownA) {
      entry.note = "Not used in the fit: its A is not a finite number.";
    } else if (!(variance > 0) || !std::isfinite(variance)) {
      entry.note = "Not used in the fit: the uncertainty of its A is not known.";
    } else {
      entry.weight = 1 / variance;
      weightSum += entry.weight;
      weighted += entry.weight * own;
      furtherUsed = furtherUsed || i > 0;
    }
    if (i == 0 && entry.note.empty()) entry.note = kParameterNote;
    fit.references.push_back(std::move(entry));
  }
  if (furtherUsed) fit.fittedA = weighted / weightSum;
  fit.A = fit.fittedA ? *fit.fittedA : parameters.m_A;
  for (CFittedReference& entry : fit.references) {
    if (!entry.ownA) continue;
    entry.residual = *entry.ownA - fit.A;
    // A·Z is fixed by the segment's image: the fitted A gives it A_i·Z_i / A.
    entry.impliedHeight = *entry.ownA * entry.reference.height / fit.A;
  }
  return fit;
}

double WeightedVerticalScale(const CSingleImage& model, const CReferenceFields& parameters,
                             const std::vector<CVerticalReference>& further, const std::vector<double>& weights) {
  double weightSum = 0, weighted = 0;
  for (size_t i = 0; i < weights.size() && i <= further.size(); ++i) {
    if (!(weights[i] > 0)) continue;
    const CVerticalReference r = i == 0 ? ParameterReference(parameters) : further[i - 1];
    weightSum += weights[i];
    weighted += weights[i] * OwnScale(model, r, model.m_Vz);
  }
  return weighted / weightSum;
}
