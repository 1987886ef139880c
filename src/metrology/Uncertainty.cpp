#include "metrology/Uncertainty.h"

#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"
#include "services/Services.h"

#include <cmath>

namespace {

// Central differences with this step, in pixels: the chain is smooth on that scale, and the
// step is far above the rounding noise of its results.
constexpr double kDifferenceStep = 1e-2;
// After the segments' end points: the reference positions, then the point's own (foot and top
// first, then U and V).
constexpr size_t kReferencePositions = 8;
constexpr size_t kTailPositions = kReferencePositions + 6;

// The reference positions, in the order ChainPositions gives them.
std::array<double*, 8> ReferencePositions(CReferenceFields& f) {
  return {&f.m_WorldOriginU, &f.m_WorldOriginV, &f.m_PointU, &f.m_PointV, &f.m_bU, &f.m_bV, &f.m_tU, &f.m_tV};
}
std::array<double*, 6> OwnPositions(CPointProvenance& p) { return {&p.bU, &p.bV, &p.tU, &p.tV, &p.U, &p.V}; }

// The chain from the vanishing points stored in the model on: reference scales and the point
// dialog's buttons, with the reference and own positions taken from tail.
std::array<double, 3> MeasureFromVanishingPoints(CSingleImage& model, const CChainInputs& chain,
                                                 const CPointProvenance& point, const double* tail) {
  size_t next = 0;
  CReferenceFields reference = chain.reference;
  for (double* value : ReferencePositions(reference)) *value = tail[next++];
  CalculateReferenceScales(model, reference);
  StoreReferenceParameters(model, reference.m_a, reference.m_b, reference.m_A, reference.m_WorldOriginU,
                           reference.m_WorldOriginV);

  CPointProvenance own = point;
  for (double* value : OwnPositions(own)) *value = tail[next++];
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

std::array<double, kTailPositions> TailPositions(const CChainInputs& chain, const CPointProvenance& point) {
  std::array<double, kTailPositions> tail;
  size_t next = 0;
  CReferenceFields reference = chain.reference;
  for (double* value : ReferencePositions(reference)) tail[next++] = *value;
  CPointProvenance own = point;
  for (double* value : OwnPositions(own)) tail[next++] = *value;
  return tail;
}

double* VanishingPointOf(CSingleImage& model, int axis) {
  return axis == 0 ? model.m_Vx : axis == 1 ? model.m_Vy : model.m_Vz;
}

}  // namespace

std::vector<double> ChainPositions(const CChainInputs& chain, const CPointProvenance& point) {
  std::vector<double> positions;
  for (const auto& list : chain.segments)
    for (const auto& segment : list) positions.insert(positions.end(), segment.begin(), segment.end());
  const std::array<double, kTailPositions> tail = TailPositions(chain, point);
  positions.insert(positions.end(), tail.begin(), tail.end());
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
  return MeasureFromVanishingPoints(model, chain, point, positions.data() + next);
}

std::array<double, 3> MeasureThroughChain(const CChainInputs& chain, const CPointProvenance& point) {
  return MeasureAtPositions(chain, point, ChainPositions(chain, point));
}

CVanishingPointSpread SpreadOfVanishingPoint(const CChainInputs& chain, int axis) {
  CSingleImage model(chain.width, chain.height);
  CSegmentList list;
  for (const auto& s : chain.segments[axis]) list.Add(MakeSegment(model, s[0], s[1], s[2], s[3]));
  const CScatterDecomposition decomposition = DecomposeScatterMatrix(list);
  CVanishingPointSpread spread;
  spread.point = decomposition.Column(decomposition.smallest);
  const double* p = spread.point.data();
  const double smallest = decomposition.s[decomposition.smallest];
  double inverseGap[2];
  for (int k = 0, j = 0; j < 3; ++j) {
    if (j == decomposition.smallest) continue;
    spread.directions[k] = decomposition.Column(j);
    inverseGap[k++] = 1 / (smallest - decomposition.s[j]);
  }
  const double* q[2] = {spread.directions[0].data(), spread.directions[1].data()};
  const auto dot = [](const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };

  // The scatter matrix M = Σ l lᵀ is symmetric, its singular vectors are eigenvectors, and the
  // eigenvector p of the smallest eigenvalue λ moves to first order by
  //     dp = Σ_k q_k (q_kᵀ dM p) / (λ − λ_k),   q_kᵀ dM p = (q_k · dl)(l · p) + (q_k · l)(dl · p)
  // over the other eigenvectors q_k: orthogonal to p, so p stays a unit vector, and it changes
  // sign with p. Each end point coordinate moves one line l = P1 × P2 by dl.
  for (int i = 0; i < list.GetCount(); ++i) {
    const CLineEndPoints& s = *list.ElementAt(i);
    const double u1 = s.m_Point1[0], v1 = s.m_Point1[1], u2 = s.m_Point2[0], v2 = s.m_Point2[1];
    const double line[3] = {v1 - v2, u2 - u1, u1 * v2 - v1 * u2};
    // ∂l/∂u1, ∂l/∂v1, ∂l/∂u2, ∂l/∂v2
    const double moves[4][3] = {{0, -1, v2}, {1, 0, -u2}, {0, 1, -v1}, {-1, 0, u1}};
    const double lp = dot(line, p), lq[2] = {dot(line, q[0]), dot(line, q[1])};
    for (const auto& dl : moves) {
      const double dlp = dot(dl, p);
      double c[2];
      for (int k = 0; k < 2; ++k) c[k] = (dot(q[k], dl) * lp + lq[k] * dlp) * inverseGap[k];
      for (int k = 0; k < 2; ++k)
        for (int m = 0; m < 2; ++m) spread.covariance[k][m] += c[k] * c[m];
    }
  }
  list.RemoveAll();
  return spread;
}

std::optional<std::array<double, 3>> PropagatePointUncertainty(const CChainInputs& chain,
                                                               const CPointProvenance& point, double sigma) {
  const std::array<CVanishingPointSpread, 3> spreads = {SpreadOfVanishingPoint(chain, 0),
                                                        SpreadOfVanishingPoint(chain, 1),
                                                        SpreadOfVanishingPoint(chain, 2)};
  return PropagatePointUncertainty(chain, spreads, point, sigma);
}

std::optional<std::array<double, 3>> PropagatePointUncertainty(const CChainInputs& chain,
                                                               const std::array<CVanishingPointSpread, 3>& spreads,
                                                               const CPointProvenance& point, double sigma) {
  CQuietServices quiet;
  const CScopedServices silence(quiet);
  CSingleImage model(chain.width, chain.height);
  const auto setVanishingPoints = [&model, &spreads] {
    for (int axis = 0; axis < 3; ++axis)
      for (int i = 0; i < 3; ++i) VanishingPointOf(model, axis)[i] = spreads[axis].point[i];
  };
  std::array<double, kTailPositions> tail = TailPositions(chain, point);
  const auto measure = [&] { return MeasureFromVanishingPoints(model, chain, point, tail.data()); };
  std::array<double, 3> variance = {0, 0, 0};

  // Each vanishing point along the two directions it moves in, with the covariance of those
  // moves. The step is its standard deviation in that direction for errors of kDifferenceStep
  // pixels in every end point: the chain is probed on the scale the segments move it on.
  for (int axis = 0; axis < 3; ++axis) {
    const CVanishingPointSpread& spread = spreads[axis];
    std::array<double, 3> slope[2] = {};
    for (int k = 0; k < 2; ++k) {
      if (!std::isfinite(spread.covariance[k][k])) return std::nullopt;
      const double step = kDifferenceStep * std::sqrt(spread.covariance[k][k]);
      if (step == 0) continue;
      std::array<double, 3> measured[2];
      for (int side = 0; side < 2; ++side) {
        setVanishingPoints();
        for (int i = 0; i < 3; ++i) VanishingPointOf(model, axis)[i] += (side ? -step : step) * spread.directions[k][i];
        measured[side] = measure();
      }
      for (int c = 0; c < 3; ++c) slope[k][c] = (measured[0][c] - measured[1][c]) / (2 * step);
    }
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 2; ++k)
        for (int m = 0; m < 2; ++m) variance[c] += slope[k][c] * spread.covariance[k][m] * slope[m][c];
  }

  // The reference and own positions one by one; a height typed by hand depends on no foot or top.
  setVanishingPoints();
  for (size_t i = 0; i < kTailPositions; ++i) {
    const bool ownFootOrTop = i >= kReferencePositions && i < kReferencePositions + 4;
    if (!point.heightFromSegment && ownFootOrTop) continue;
    const double original = tail[i];
    tail[i] = original + kDifferenceStep;
    const std::array<double, 3> above = measure();
    tail[i] = original - kDifferenceStep;
    const std::array<double, 3> below = measure();
    tail[i] = original;
    for (int c = 0; c < 3; ++c) {
      const double derivative = (above[c] - below[c]) / (2 * kDifferenceStep);
      variance[c] += derivative * derivative;
    }
  }
  std::array<double, 3> deviation;
  for (int c = 0; c < 3; ++c) {
    deviation[c] = sigma * std::sqrt(variance[c]);
    if (!std::isfinite(deviation[c])) return std::nullopt;
  }
  return deviation;
}

CPrincipalAxes PrincipalAxes(const double (&c)[2][2]) {
  const double mean = (c[0][0] + c[1][1]) / 2, half = (c[0][0] - c[1][1]) / 2;
  const double radius = std::hypot(half, c[0][1]);
  const double angle = 0.5 * std::atan2(c[0][1], half);
  return {{{std::cos(angle), std::sin(angle)}, {-std::sin(angle), std::cos(angle)}}, {mean + radius, mean - radius}};
}
