#include "metrology/MeasurementLog.h"

#include "metrology/ReferenceFit.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "services/Services.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Taking over from a point that took over from another … ends long before this.
constexpr int kMaxCopyDepth = 64;
// Central differences move an image position by this many pixels: the chain is smooth on that
// scale, and the step is far above the rounding noise of its results.
constexpr double kPositionStep = 1e-2;
// … and a height by this fraction of (1 + |Z|), for X and Y at a height taken over.
constexpr double kRelativeHeightStep = 1e-5;

// Variables a chain, a reference and a point own: two a vanishing point (it moves in two
// directions), two an image position.
constexpr int kSegmentVariables = 6;
constexpr int kReferenceVariables = 8;
constexpr int kOwnVariables = 6;
constexpr int kFurtherReferenceVariables = 4;

using CRow = std::vector<std::pair<int, double>>;  // sorted by variable

// a + weight · b.
CRow AddScaled(const CRow& a, const CRow& b, double weight) {
  CRow sum;
  sum.reserve(a.size() + b.size());
  auto i = a.begin(), j = b.begin();
  while (i != a.end() || j != b.end()) {
    if (j == b.end() || (i != a.end() && i->first < j->first)) {
      sum.push_back(*i++);
    } else if (i == a.end() || j->first < i->first) {
      sum.emplace_back(j->first, weight * j->second);
      ++j;
    } else {
      sum.emplace_back(i->first, i->second + weight * j->second);
      ++i, ++j;
    }
  }
  return sum;
}

double Dot(const CRow& a, const CRow& b) {
  double sum = 0;
  auto i = a.begin(), j = b.begin();
  while (i != a.end() && j != b.end()) {
    if (i->first < j->first) ++i;
    else if (j->first < i->first) ++j;
    else sum += (i++)->second * (j++)->second;
  }
  return sum;
}

bool SameReference(const CReferenceFields& a, const CReferenceFields& b) {
  return a.m_bU == b.m_bU && a.m_bV == b.m_bV && a.m_A == b.m_A && a.m_a == b.m_a && a.m_b == b.m_b &&
         a.m_PointX == b.m_PointX && a.m_PointY == b.m_PointY && a.m_tU == b.m_tU && a.m_tV == b.m_tV &&
         a.m_ZValue == b.m_ZValue && a.m_PointU == b.m_PointU && a.m_PointV == b.m_PointV &&
         a.m_WorldOriginU == b.m_WorldOriginU && a.m_WorldOriginV == b.m_WorldOriginV;
}

bool SameSegments(const CChainInputs& a, const CChainInputs& b) {
  return a.width == b.width && a.height == b.height &&
         std::equal(std::begin(a.segments), std::end(a.segments), std::begin(b.segments));
}

// The reference positions: world origin, ground point, foot, top.
std::array<double*, 8> ReferencePositions(CReferenceFields& f) {
  return {&f.m_WorldOriginU, &f.m_WorldOriginV, &f.m_PointU, &f.m_PointV, &f.m_bU, &f.m_bV, &f.m_tU, &f.m_tV};
}

// Which distinct position each of n positions (u, v pairs in `values`) is, in order of first
// appearance; unused positions get −1.
std::vector<int> DistinctPositions(const double* values, int n, const bool* used) {
  std::vector<int> which(n, -1);
  int distinct = 0;
  for (int i = 0; i < n; ++i) {
    if (!used[i]) continue;
    for (int j = 0; j < i && which[i] < 0; ++j)
      if (used[j] && values[2 * j] == values[2 * i] && values[2 * j + 1] == values[2 * i + 1]) which[i] = which[j];
    if (which[i] < 0) which[i] = distinct++;
  }
  return which;
}

void SetVanishingPoints(CSingleImage& model, const std::array<std::array<double, 3>, 3>& points) {
  for (int i = 0; i < 3; ++i) {
    model.m_Vx[i] = points[0][i];
    model.m_Vy[i] = points[1][i];
    model.m_Vz[i] = points[2][i];
  }
}

// `weights` (GetParameter's reference first) replace A by the weighted mean of the references'
// own A; none leave GetParameter's A.
std::unique_ptr<CSingleImage> ReferencedModel(const CChainInputs& chain,
                                              const std::array<std::array<double, 3>, 3>& vanishingPoints,
                                              const CReferenceFields& fields,
                                              const std::vector<CVerticalReference>& further,
                                              const std::vector<double>& weights) {
  auto model = std::make_unique<CSingleImage>(chain.width, chain.height);
  SetVanishingPoints(*model, vanishingPoints);
  CReferenceFields reference = fields;
  CalculateReferenceScales(*model, reference);
  if (!weights.empty()) reference.m_A = WeightedVerticalScale(*model, reference, further, weights);
  StoreReferenceParameters(*model, reference.m_a, reference.m_b, reference.m_A, reference.m_WorldOriginU,
                           reference.m_WorldOriginV);
  return model;
}

// Own positions of a point: foot, top, the position measured (u, v each).
std::array<double, 6> OwnPositions(const CPointProvenance& how) {
  return {how.bU, how.bV, how.tU, how.tV, how.U, how.V};
}

bool HeightFromSegment(const CPointRecord& r) { return r.zMeasured || r.how.heightFromSegment; }

// X and Y (when measured) and the height from foot and top (when there is one) of the point as
// its record says it was measured, on this model, from these own positions; X and Y at
// `heightForXY` unless they were computed at the height from the segment.
std::array<double, 3> Evaluate(const CSingleImage& model, const CPointRecord& r, const std::array<double, 6>& own,
                               double heightForXY) {
  CPointFields f;
  double height = 0;
  if (HeightFromSegment(r)) {
    f.m_bU = own[0], f.m_bV = own[1], f.m_tU = own[2], f.m_tV = own[3];
    CalculateZ(model, f);
    height = f.m_Z;
  }
  if (!r.xyMeasured) return {0, 0, height};
  f.m_Z = r.how.heightFromSegment ? height : heightForXY;
  f.m_U = own[4], f.m_V = own[5];
  CalculateXY(model, f);
  return {f.m_X, f.m_Y, height};
}

}  // namespace

struct CMeasurementLog::CSensitivity {
  enum class EKind { Unknown, Exact, Measured };
  EKind kind = EKind::Unknown;
  CRow row;  // ∂coordinate / ∂variable, per pixel of position error
};

struct CMeasurementLog::CChainState {
  struct CMoved {
    int variable = 0;
    double step = 0;
    std::unique_ptr<CSingleImage> model[2];  // the input moved by +step and −step
  };
  CChainInputs inputs;
  bool usable = false;
  std::vector<double> weights;  // of the references in A's fit, held at the inputs as they are
  std::unique_ptr<CSingleImage> centre;  // the inputs as they are
  std::vector<CMoved> moved;
};

CMeasurementLog::CMeasurementLog() = default;
CMeasurementLog::~CMeasurementLog() = default;
CMeasurementLog::CMeasurementLog(const CMeasurementLog& other)
    : m_chain(other.m_chain),
      m_bSegments(other.m_bSegments),
      m_bReference(other.m_bReference),
      m_positionSigma(other.m_positionSigma),
      m_points(other.m_points) {}
CMeasurementLog& CMeasurementLog::operator=(const CMeasurementLog& other) {
  if (this != &other) {
    CMeasurementLog copy(other);
    std::swap(m_chain, copy.m_chain);
    m_bSegments = copy.m_bSegments;
    m_bReference = copy.m_bReference;
    m_positionSigma = copy.m_positionSigma;
    std::swap(m_points, copy.m_points);
    Forget();
    m_chainOf.clear();
    m_chains.clear();
    m_segmentSets.clear();
    m_referenceSets.clear();
    m_furtherSets.clear();
    m_ownSets.clear();
    m_nVariables = 0;
  }
  return *this;
}

void CMeasurementLog::Clear() {
  const double sigma = m_positionSigma;
  *this = CMeasurementLog();
  m_positionSigma = sigma;
}

void CMeasurementLog::SetSegments(const CSingleImage& model, const CSegmentList& xLines, const CSegmentList& yLines,
                                  const CSegmentList& zLines) {
  const CSegmentList* lists[3] = {&xLines, &yLines, &zLines};
  const double halfWidth = model.GetWidth() / 2.0, halfHeight = model.GetHeight() / 2.0;
  m_chain.width = model.GetWidth();
  m_chain.height = model.GetHeight();
  for (int axis = 0; axis < 3; ++axis) {
    m_chain.segments[axis].clear();
    for (int i = 0; i < lists[axis]->GetCount(); ++i) {
      const CLineEndPoints& s = *lists[axis]->ElementAt(i);
      m_chain.segments[axis].push_back({s.m_Point1[0] + halfWidth, s.m_Point1[1] + halfHeight,
                                        s.m_Point2[0] + halfWidth, s.m_Point2[1] + halfHeight});
    }
  }
  m_bSegments = true;
  m_bReference = false;
}

void CMeasurementLog::SetReference(const CSingleImage& model, const CReferenceFields& fields) {
  CReferenceFields computed = fields;
  {
    CQuietServices quiet;
    const CScopedServices silence(quiet);
    CalculateReferenceScales(model, computed);
  }
  m_chain.reference = fields;
  // The dialog's fields hold 15 significant digits of the computed scales.
  const auto same = [](double a, double b) { return FormatDoubleField(a) == FormatDoubleField(b); };
  m_bReference = same(computed.m_a, fields.m_a) && same(computed.m_b, fields.m_b) && same(computed.m_A, fields.m_A);
}

void CMeasurementLog::SetFurtherReferences(std::vector<CVerticalReference> references) {
  m_chain.references = std::move(references);
}

void CMeasurementLog::RecordPoint(int id, CPointRecord record) {
  m_points[id] = std::move(record);
  m_chainOf.erase(id);
  Forget();
}

const CPointRecord* CMeasurementLog::FindRecord(int id) const {
  auto it = m_points.find(id);
  return it == m_points.end() ? nullptr : &it->second;
}

void CMeasurementLog::SetPositionSigma(double pixels) { m_positionSigma = pixels; }

void CMeasurementLog::Forget() const { m_rows.clear(); }

int CMeasurementLog::SegmentVariables(const CChainInputs& chain) const {
  for (const auto& [inputs, first] : m_segmentSets)
    if (SameSegments(*inputs, chain)) return first;
  const int first = m_nVariables;
  m_nVariables += kSegmentVariables;
  m_segmentSets.emplace_back(&chain, first);
  return first;
}

int CMeasurementLog::ReferenceVariables(const CReferenceFields& reference) const {
  CReferenceFields f = reference;
  std::array<double, 8> key;
  for (size_t i = 0; i < key.size(); ++i) key[i] = *ReferencePositions(f)[i];
  auto found = m_referenceSets.find(key);
  if (found != m_referenceSets.end()) return found->second;
  const int first = m_nVariables;
  m_nVariables += kReferenceVariables;
  m_referenceSets.emplace(key, first);
  return first;
}

int CMeasurementLog::FurtherReferenceVariables(const CVerticalReference& reference) const {
  const std::array<double, 4> key = {reference.foot[0], reference.foot[1], reference.top[0], reference.top[1]};
  auto found = m_furtherSets.find(key);
  if (found != m_furtherSets.end()) return found->second;
  const int first = m_nVariables;
  m_nVariables += kFurtherReferenceVariables;
  m_furtherSets.emplace(key, first);
  return first;
}

int CMeasurementLog::OwnVariables(int id) const {
  auto found = m_ownSets.find(id);
  if (found != m_ownSets.end()) return found->second;
  const int first = m_nVariables;
  m_nVariables += kOwnVariables;
  m_ownSets.emplace(id, first);
  return first;
}

CMeasurementLog::CChainState& CMeasurementLog::ChainFor(const CChainInputs& chain) const {
  for (const auto& state : m_chains)
    if (SameReference(state->inputs.reference, chain.reference) && SameSegments(state->inputs, chain) &&
        state->inputs.references == chain.references)
      return *state;
  m_chains.push_back(std::make_unique<CChainState>());
  CChainState& state = *m_chains.back();
  state.inputs = chain;
  const int segmentVariables = SegmentVariables(state.inputs);
  const int referenceVariables = ReferenceVariables(state.inputs.reference);

  std::array<CVanishingPointSpread, 3> spreads;
  std::array<std::array<double, 3>, 3> points;
  for (int axis = 0; axis < 3; ++axis) {
    spreads[axis] = SpreadOfVanishingPoint(state.inputs, axis);
    points[axis] = spreads[axis].point;
    for (const auto& row : spreads[axis].covariance)
      for (double c : row)
        if (!std::isfinite(c)) return state;
  }

  const std::vector<CVerticalReference>& further = state.inputs.references;
  if (!further.empty()) {
    const auto unfitted = ReferencedModel(state.inputs, points, state.inputs.reference, further, {});
    const CVerticalScaleFit fit =
        FitVerticalScale(*unfitted, state.inputs.reference, further, &spreads[2], m_positionSigma);
    if (fit.fittedA)
      for (const CFittedReference& entry : fit.references) state.weights.push_back(entry.weight);
  }
  const std::vector<double>& weights = state.weights;
  state.centre = ReferencedModel(state.inputs, points, state.inputs.reference, further, weights);

  // Each vanishing point moves in the plane of its two directions with the covariance of its
  // spread; along that covariance's principal axes, scaled by their standard deviations, the
  // moves are independent and of unit variance per unit variance of every end point.
  for (int axis = 0; axis < 3; ++axis) {
    const auto [axes, variances] = PrincipalAxes(spreads[axis].covariance);
    for (int m = 0; m < 2; ++m) {
      if (!(variances[m] > 0)) continue;
      const double deviation = std::sqrt(variances[m]);
      CChainState::CMoved moved;
      moved.variable = segmentVariables + 2 * axis + m;
      moved.step = kPositionStep;
      for (int side = 0; side < 2; ++side) {
        std::array<std::array<double, 3>, 3> shifted = points;
        const double amount = (side == 0 ? kPositionStep : -kPositionStep) * deviation;
        for (int i = 0; i < 3; ++i)
          shifted[axis][i] += amount * (axes[m][0] * spreads[axis].directions[0][i] +
                                        axes[m][1] * spreads[axis].directions[1][i]);
        moved.model[side] = ReferencedModel(state.inputs, shifted, state.inputs.reference, further, weights);
      }
      state.moved.push_back(std::move(moved));
    }
  }

  // Each distinct reference position, u and v, moved in every field that holds it.
  CReferenceFields reference = state.inputs.reference;
  const std::array<double*, 8> fields = ReferencePositions(reference);
  double values[8];
  for (int i = 0; i < 8; ++i) values[i] = *fields[i];
  const bool used[4] = {true, true, true, true};
  const std::vector<int> which = DistinctPositions(values, 4, used);
  for (int position = 0; position < 4; ++position) {
    if (std::find(which.begin(), which.begin() + position, which[position]) != which.begin() + position) continue;
    for (int c = 0; c < 2; ++c) {
      CChainState::CMoved moved;
      moved.variable = referenceVariables + 2 * which[position] + c;
      moved.step = kPositionStep;
      for (int side = 0; side < 2; ++side) {
        CReferenceFields shifted = state.inputs.reference;
        const std::array<double*, 8> shiftedFields = ReferencePositions(shifted);
        for (int k = 0; k < 4; ++k)
          if (which[k] == which[position]) *shiftedFields[2 * k + c] += side == 0 ? kPositionStep : -kPositionStep;
        moved.model[side] = ReferencedModel(state.inputs, points, shifted, further, weights);
      }
      state.moved.push_back(std::move(moved));
    }
  }
  // The foot and top of each further reference in the fit, u and v.
  for (size_t j = 0; j < further.size() && !weights.empty(); ++j) {
    if (!(weights[j + 1] > 0)) continue;
    const int first = FurtherReferenceVariables(further[j]);
    for (int k = 0; k < 4; ++k) {
      CChainState::CMoved moved;
      moved.variable = first + k;
      moved.step = kPositionStep;
      for (int side = 0; side < 2; ++side) {
        std::vector<CVerticalReference> shifted = further;
        double& value = k < 2 ? shifted[j].foot[k] : shifted[j].top[k - 2];
        value += side == 0 ? kPositionStep : -kPositionStep;
        moved.model[side] = ReferencedModel(state.inputs, points, state.inputs.reference, shifted, weights);
      }
      state.moved.push_back(std::move(moved));
    }
  }
  std::sort(state.moved.begin(), state.moved.end(),
            [](const CChainState::CMoved& a, const CChainState::CMoved& b) { return a.variable < b.variable; });
  state.usable = true;
  return state;
}

const CMeasurementLog::CSensitivity& CMeasurementLog::Row(int id, int coordinate, int depth) const {
  static const CSensitivity unknown;
  if (depth > kMaxCopyDepth || !FindRecord(id)) return unknown;
  if (!m_rows.count(id)) ComputeRows(id, depth);
  return *m_rows.at(id)[coordinate];
}

void CMeasurementLog::ComputeRows(int id, int depth) const {
  using EKind = CSensitivity::EKind;
  // Until they are known, a point that takes over from itself finds its rows unknown.
  const auto unknown = std::make_shared<const CSensitivity>();
  m_rows[id] = {unknown, unknown, unknown};

  CQuietServices quiet;
  const CScopedServices silence(quiet);
  const CPointRecord& record = *FindRecord(id);
  std::array<std::shared_ptr<const CSensitivity>, 3> rows = {unknown, unknown, unknown};
  const auto takeOver = [&](int coordinate) {
    const int source = record.copiedFrom[coordinate];
    if (source < 0) return false;
    Row(source, coordinate, depth + 1);
    if (m_rows.count(source)) rows[coordinate] = m_rows.at(source)[coordinate];
    return true;
  };

  const bool needXY = record.xyMeasured && record.copiedFrom[0] < 0 && record.copiedFrom[1] < 0;
  const bool needZ = record.zMeasured && record.copiedFrom[2] < 0;
  if (needXY || needZ) {
    // Finding the chain compares every segment: once a record.
    auto known = m_chainOf.find(id);
    if (known == m_chainOf.end()) known = m_chainOf.emplace(id, &ChainFor(record.chain)).first;
    const CChainState& chain = *known->second;
    const CSensitivity* height = nullptr;  // the row of the height X and Y were computed at, when taken over
    if (record.xyMeasured && !record.how.heightFromSegment && record.xyHeightFrom >= 0)
      height = &Row(record.xyHeightFrom, 2, depth + 1);
    const bool xyKnown = needXY && chain.usable && (!height || height->kind != EKind::Unknown);
    if (chain.usable && (xyKnown || needZ)) {
      CRow derivatives[3];
      bool finite[3] = {true, true, true};
      const std::array<double, 6> own = OwnPositions(record.how);
      const auto add = [&](int variable, const std::array<double, 3>& plus, const std::array<double, 3>& minus,
                           double step) {
        for (int k = 0; k < 3; ++k) {
          const double d = (plus[k] - minus[k]) / (2 * step);
          finite[k] = finite[k] && std::isfinite(d);
          if (d != 0) derivatives[k].emplace_back(variable, d);
        }
      };
      for (const CChainState::CMoved& moved : chain.moved)
        add(moved.variable, Evaluate(*moved.model[0], record, own, record.how.Z),
            Evaluate(*moved.model[1], record, own, record.how.Z), moved.step);

      // The own positions: the foot and top when the height rests on them, the measured position
      // when X and Y were computed; one position in several fields moves in all of them.
      const bool used[3] = {HeightFromSegment(record), HeightFromSegment(record), record.xyMeasured};
      const std::vector<int> which = DistinctPositions(own.data(), 3, used);
      const int first = OwnVariables(id);
      const CSingleImage& centre = *chain.centre;
      for (int position = 0; position < 3; ++position) {
        if (which[position] < 0 ||
            std::find(which.begin(), which.begin() + position, which[position]) != which.begin() + position)
          continue;
        for (int c = 0; c < 2; ++c) {
          std::array<double, 6> moved[2] = {own, own};
          for (int k = 0; k < 3; ++k)
            if (which[k] == which[position]) moved[0][2 * k + c] += kPositionStep, moved[1][2 * k + c] -= kPositionStep;
          add(first + 2 * which[position] + c, Evaluate(centre, record, moved[0], record.how.Z),
              Evaluate(centre, record, moved[1], record.how.Z), kPositionStep);
        }
      }
      for (CRow& row : derivatives) std::sort(row.begin(), row.end());
      if (height && height->kind == EKind::Measured) {
        const double step = kRelativeHeightStep * (1 + std::fabs(record.how.Z));
        const auto above = Evaluate(centre, record, own, record.how.Z + step);
        const auto below = Evaluate(centre, record, own, record.how.Z - step);
        for (int k = 0; k < 2; ++k) {
          const double slope = (above[k] - below[k]) / (2 * step);
          finite[k] = finite[k] && std::isfinite(slope);
          derivatives[k] = AddScaled(derivatives[k], height->row, slope);
        }
      }
      for (int k = 0; k < 3; ++k) {
        // X and Y are computed together: both or neither.
        const bool known = k < 2 ? xyKnown && finite[0] && finite[1] : needZ && finite[2];
        if (!known) continue;
        auto sensitivity = std::make_shared<CSensitivity>();
        sensitivity->kind = EKind::Measured;
        sensitivity->row = std::move(derivatives[k]);
        rows[k] = std::move(sensitivity);
      }
    }
  }
  takeOver(0), takeOver(1);
  if (!takeOver(2) && !record.zMeasured && record.zExact) {
    auto exact = std::make_shared<CSensitivity>();
    exact->kind = EKind::Exact;
    rows[2] = std::move(exact);
  }
  m_rows[id] = rows;
}

std::array<std::optional<double>, 3> CMeasurementLog::Sigma(int id) const {
  std::array<std::optional<double>, 3> sigma;
  for (int k = 0; k < 3; ++k) {
    const CSensitivity& row = Row(id, k, 0);
    if (row.kind == CSensitivity::EKind::Measured) sigma[k] = m_positionSigma * std::sqrt(Dot(row.row, row.row));
  }
  return sigma;
}

std::optional<double> CMeasurementLog::Covariance(int idA, int coordinateA, int idB, int coordinateB) const {
  using EKind = CSensitivity::EKind;
  const CSensitivity& a = Row(idA, coordinateA, 0);
  const CSensitivity& b = Row(idB, coordinateB, 0);
  if (a.kind == EKind::Unknown || b.kind == EKind::Unknown) return std::nullopt;
  if (a.kind == EKind::Exact || b.kind == EKind::Exact) return 0.0;
  return m_positionSigma * m_positionSigma * Dot(a.row, b.row);
}

std::array<std::array<std::optional<double>, 3>, 3> CMeasurementLog::Covariance(int idA, int idB) const {
  std::array<std::array<std::optional<double>, 3>, 3> block;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) block[i][j] = Covariance(idA, i, idB, j);
  return block;
}

std::optional<double> CMeasurementLog::SigmaOfSum(const std::vector<CWeightedCoordinate>& terms) const {
  CRow sum;
  for (const CWeightedCoordinate& term : terms) {
    if (term.weight == 0) continue;
    const CSensitivity& row = Row(term.id, term.coordinate, 0);
    if (row.kind == CSensitivity::EKind::Unknown) return std::nullopt;
    if (row.kind == CSensitivity::EKind::Measured) sum = AddScaled(sum, row.row, term.weight);
  }
  return m_positionSigma * std::sqrt(Dot(sum, sum));
}
