#include "metrology/MeasurementLog.h"

#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "services/Services.h"

#include <algorithm>
#include <iterator>

namespace {

// Taking over from a point that took over from another … ends long before this.
constexpr int kMaxCopyDepth = 64;

}  // namespace

void CMeasurementLog::Clear() { *this = CMeasurementLog(); }

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
  m_spreads.reset();
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

void CMeasurementLog::RecordPoint(int id, CPointRecord record) {
  m_points[id] = std::move(record);
  m_propagated.erase({id, false});
  m_propagated.erase({id, true});
}

const CPointRecord* CMeasurementLog::FindRecord(int id) const {
  auto it = m_points.find(id);
  return it == m_points.end() ? nullptr : &it->second;
}

std::optional<double> CMeasurementLog::CoordinateSigma(int id, int coordinate, int depth) const {
  const CPointRecord* record = FindRecord(id);
  if (!record || depth > kMaxCopyDepth) return std::nullopt;
  if (record->copiedFrom[coordinate] >= 0) return CoordinateSigma(record->copiedFrom[coordinate], coordinate, depth + 1);
  const bool measured = coordinate < 2 ? record->xyMeasured : record->zMeasured;
  if (!measured) return std::nullopt;
  // X and Y come from the chain as the dialog ran it, and so does Z when X and Y were computed
  // at it. Otherwise Z has a chain of its own that ends at its foot and top (Z never depends on
  // U and V).
  CPointProvenance how = record->how;
  const bool ownHeightChain = coordinate == 2 && !(how.heightFromSegment && record->xyMeasured);
  if (ownHeightChain) {
    how.heightFromSegment = true;
    how.U = how.bU, how.V = how.bV;
  }
  const std::pair<int, bool> key(id, ownHeightChain);
  auto cached = m_propagated.find(key);
  if (cached == m_propagated.end()) cached = m_propagated.emplace(key, Propagate(record->chain, how)).first;
  if (!cached->second) return std::nullopt;
  return (*cached->second)[coordinate];
}

std::optional<std::array<double, 3>> CMeasurementLog::Propagate(const CChainInputs& chain,
                                                               const CPointProvenance& how) const {
  const bool onTheseSegments = m_bSegments && chain.width == m_chain.width && chain.height == m_chain.height &&
                               std::equal(std::begin(chain.segments), std::end(chain.segments),
                                          std::begin(m_chain.segments));
  if (!onTheseSegments) return PropagatePointUncertainty(chain, how);
  if (!m_spreads)
    m_spreads = {SpreadOfVanishingPoint(m_chain, 0), SpreadOfVanishingPoint(m_chain, 1), SpreadOfVanishingPoint(m_chain, 2)};
  return PropagatePointUncertainty(chain, *m_spreads, how);
}

std::array<std::optional<double>, 3> CMeasurementLog::Sigma(int id) const {
  return {CoordinateSigma(id, 0, 0), CoordinateSigma(id, 1, 0), CoordinateSigma(id, 2, 0)};
}
