#include "metrology/Uncertainty.h"

#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"
#include "services/Services.h"

#include <cmath>

namespace {

// Central differences with this step, in pixels: the chain is smooth on that scale, and the
// step is far above the rounding noise of its results.
constexpr double kDifferenceStep = 1e-2;

// The reference positions, in the order ChainPositions gives them.
std::array<double*, 8> ReferencePositions(CReferenceFields& f) {
  return {&f.m_WorldOriginU, &f.m_WorldOriginV, &f.m_PointU, &f.m_PointV, &f.m_bU, &f.m_bV, &f.m_tU, &f.m_tV};
}
std::array<double*, 6> OwnPositions(CPointProvenance& p) { return {&p.bU, &p.bV, &p.tU, &p.tV, &p.U, &p.V}; }

}  // namespace

std::vector<double> ChainPositions(const CChainInputs& chain, const CPointProvenance& point) {
  std::vector<double> positions;
  for (const auto& list : chain.segments)
    for (const auto& segment : list) positions.insert(positions.end(), segment.begin(), segment.end());
  CReferenceFields reference = chain.reference;
  for (double* value : ReferencePositions(reference)) positions.push_back(*value);
  CPointProvenance own = point;
  for (double* value : OwnPositions(own)) positions.push_back(*value);
  return positions;
}

std::array<double, 3> MeasureAtPositions(const CChainInputs& chain, const CPointProvenance& point,
                                         const std::vector<double>& positions) {
  // A singular solve on the way has been told to the user when the chain first ran.
  CQuietServices quiet;
  const CScopedServices silence(quiet);
  size_t next = 0;
  CSingleImage model(chain.width, chain.height);
  CSegmentList lists[3];
  for (int axis = 0; axis < 3; ++axis)
    for (size_t i = 0; i < chain.segments[axis].size(); ++i, next += 4)
      lists[axis].Add(MakeSegment(model, positions[next], positions[next + 1], positions[next + 2], positions[next + 3]));
  CalculateVanishingPoints(model, lists[0], lists[1], lists[2]);
  for (CSegmentList& list : lists) list.RemoveAll();

  CReferenceFields reference = chain.reference;
  for (double* value : ReferencePositions(reference)) *value = positions[next++];
  CalculateReferenceScales(model, reference);
  StoreReferenceParameters(model, reference.m_a, reference.m_b, reference.m_A, reference.m_WorldOriginU,
                           reference.m_WorldOriginV);

  CPointProvenance own = point;
  for (double* value : OwnPositions(own)) *value = positions[next++];
  CPointFields fields;
  fields.m_Z = own.Z;
  if (own.heightFromSegment) {
    fields.m_bU = own.bU, fields.m_bV = own.bV, fields.m_tU = own.tU, fields.m_tV = own.tV;
    CalculateZ(model, fields);
  }
  fields.m_U = own.U, fields.m_V = own.V;
  CalculateXY(model, fields);
  return {fields.m_X, fields.m_Y, fields.m_Z};
}

std::array<double, 3> MeasureThroughChain(const CChainInputs& chain, const CPointProvenance& point) {
  return MeasureAtPositions(chain, point, ChainPositions(chain, point));
}

std::optional<std::array<double, 3>> PropagatePointUncertainty(const CChainInputs& chain,
                                                               const CPointProvenance& point, double sigma) {
  std::vector<double> positions = ChainPositions(chain, point);
  // A height typed by hand depends on no foot or top position.
  const size_t ownStart = positions.size() - 6;
  std::array<double, 3> variance = {0, 0, 0};
  for (size_t i = 0; i < positions.size(); ++i) {
    if (!point.heightFromSegment && i >= ownStart && i < ownStart + 4) continue;
    const double original = positions[i];
    positions[i] = original + kDifferenceStep;
    const std::array<double, 3> above = MeasureAtPositions(chain, point, positions);
    positions[i] = original - kDifferenceStep;
    const std::array<double, 3> below = MeasureAtPositions(chain, point, positions);
    positions[i] = original;
    for (int k = 0; k < 3; ++k) {
      const double derivative = (above[k] - below[k]) / (2 * kDifferenceStep);
      variance[k] += derivative * derivative;
    }
  }
  std::array<double, 3> deviation;
  for (int k = 0; k < 3; ++k) {
    deviation[k] = sigma * std::sqrt(variance[k]);
    if (!std::isfinite(deviation[k])) return std::nullopt;
  }
  return deviation;
}
