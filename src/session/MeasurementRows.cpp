#include "session/MeasurementRows.h"

#include "metrology/Measurements.h"

#include <array>
#include <cmath>

namespace {

std::string Name(const CMeasurementAction& m) {
  if (m.face) return "Area of face " + std::to_string(*m.face);
  switch (m.kind) {
    case EMeasurementKind::Distance:
      return "Distance " + std::to_string(m.points[0]) + "\u2013" + std::to_string(m.points[1]);
    case EMeasurementKind::HeightDifference:
      return "Height difference " + std::to_string(m.points[0]) + "\u2013" + std::to_string(m.points[1]);
    case EMeasurementKind::Area:
      break;
  }
  std::string ids;
  for (int id : m.points) ids += (ids.empty() ? "" : ", ") + std::to_string(id);
  return "Area " + ids;
}

std::string IdList(const std::array<int, 4>& ids) {
  std::string text;
  for (int id : ids) text += (text.empty() ? "" : ", ") + std::to_string(id);
  return text;
}

CMeasuredValue Measure(const CSingleImage& model, const CMeasurementLog& log, const CMeasurementAction& m) {
  if (m.face) return MeasureFaceArea(model, log, *m.face);
  switch (m.kind) {
    case EMeasurementKind::Distance: return MeasureDistance(model, log, m.points[0], m.points[1]);
    case EMeasurementKind::HeightDifference: return MeasureHeightDifference(model, log, m.points[0], m.points[1]);
    case EMeasurementKind::Area: break;
  }
  const std::array<int, 4> ids = {m.points[0], m.points[1], m.points[2], m.points[3]};
  CMeasuredValue area = MeasureArea(model, log, ids);
  // Corners that cross would give the difference of two triangles, a wrong value that looks right.
  if (const std::array<int, 4> around = CornersInOrderAround(model, ids); area.HasValue() && around != ids)
    area.message = "The corners " + IdList(ids) + " do not go around the face: in order around it they are " +
                   IdList(around) + ".";
  return area;
}

}  // namespace

std::vector<CMeasurementRow> MeasurementRows(const CSingleImage& model, const CReplayed& replayed) {
  std::vector<CMeasurementRow> rows;
  for (const CMeasurementAction& m : replayed.measurements) {
    CMeasurementRow row;
    row.name = Name(m);
    row.known = m.known;
    const CMeasuredValue measured = Measure(model, replayed.log, m);
    row.problem = measured.message;
    if (measured.HasValue()) {
      row.value = measured.value;
      row.sigma = measured.sigma;
      if (row.known) {
        row.difference = row.value - *row.known;
        if (row.sigma && *row.sigma > 0) {
          row.sigmas = std::fabs(*row.difference) / *row.sigma;
          row.suspicious = *row.sigmas > kSuspiciousSigmas;
        }
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<CReferenceRow> ReferenceRows(const CReplayed& replayed) {
  std::vector<CReferenceRow> rows;
  if (replayed.fit.references.empty()) {
    for (const CVerticalReference& reference : replayed.references) {
      CReferenceRow row;
      row.reference = reference;
      row.note = "Not used: run GetParameter first.";
      rows.push_back(row);
    }
    return rows;
  }
  for (size_t i = 0; i < replayed.fit.references.size(); ++i) {
    const CFittedReference& fitted = replayed.fit.references[i];
    CReferenceRow row;
    row.parameters = i == 0;
    row.reference = fitted.reference;
    row.ownA = fitted.ownA, row.sigmaA = fitted.sigmaA;
    row.residual = fitted.residual, row.impliedHeight = fitted.impliedHeight;
    row.note = fitted.note;
    rows.push_back(row);
  }
  return rows;
}
