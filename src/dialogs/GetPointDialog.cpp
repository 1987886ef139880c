#include "dialogs/GetPointDialog.h"

#include "metrology/VerticalScale.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "services/Services.h"

void CGetPointDialog::DoDataExchange(CDataExchange& dx) {
  dx.Double(IDC_POINT_BU, m_bU, "b.u");
  dx.Double(IDC_POINT_BV, m_bV, "b.v");
  dx.Double(IDC_POINT_U, m_U, "U");
  dx.Double(IDC_POINT_V, m_V, "V");
  dx.Int(IDC_POINT_ID, m_nPointID, "pointID");
  dx.Double(IDC_POINT_TU, m_tU, "t.u");
  dx.Double(IDC_POINT_TV, m_tV, "t.v");
  dx.Double(IDC_POINT_X, m_X, "X");
  dx.Double(IDC_POINT_Y, m_Y, "Y");
  dx.Double(IDC_POINT_Z, m_Z, "Z");
  dx.Int(IDC_POINT_REF_X, m_nRefX, "Reference ID of X");
  dx.Int(IDC_POINT_REF_Y, m_nRefY, "Reference ID of Y");
  dx.Int(IDC_POINT_REF_Z, m_nRefZ, "Reference ID of Z");
}

void CGetPointDialog::OnButton(int controlId) {
  if (controlId != IDC_CALCULATE_IMAGE_POSITION && controlId != IDC_CALCULATE_XY && controlId != IDC_CALCULATE_Z &&
      controlId != IDC_GET_REF)
    return;
  // A field that does not convert stops the button: nothing is computed from a stale value.
  if (!UpdateData(true)) return;
  const CPointFields before = *this;
  std::string problem;
  switch (controlId) {
    case IDC_CALCULATE_IMAGE_POSITION: problem = CalculateImagePosition(m_model, *this); break;
    case IDC_CALCULATE_XY: problem = CalculateXY(m_model, *this); break;
    case IDC_CALCULATE_Z: problem = CalculateZ(m_model, *this); break;
    default: GetReferences(m_model, *this); break;
  }
  // A computation that says it cannot be done leaves no result behind: the fields keep what they
  // held, so OK cannot store a coordinate from degenerate geometry.
  if (!problem.empty()) static_cast<CPointFields&>(*this) = before;
  // Kept as computed, before the fields are shown again.
  if (problem.empty() && controlId == IDC_CALCULATE_Z) {
    m_lastHeight = static_cast<const CPointFields&>(*this);
    m_topDistance = TopOffVertical(m_model, *this);
  }
  if (problem.empty() && controlId == IDC_CALCULATE_XY) m_lastGround = static_cast<const CPointFields&>(*this);
  if (controlId == IDC_GET_REF) {
    const int ids[3] = {m_nRefX, m_nRefY, m_nRefZ};
    const double values[3] = {m_X, m_Y, m_Z};
    for (int k = 0; k < 3; ++k) {
      const bool found = ids[k] >= 0 && m_model.FindPointIndex(ids[k]) >= 0;
      m_copied[k] = found ? std::optional(values[k]) : std::nullopt;
      m_copiedIds[k] = found ? std::optional(ids[k]) : std::nullopt;
    }
  }
  UpdateData(false);
  if (!problem.empty()) Services().MessageBox(problem);
}

void CGetPointDialog::OnOK() {
  if (m_model.HasFreePointId()) return CDialogModel::OnOK();
  Services().MessageBox("No id is left for a new point: the ids up to " + std::to_string(kLargestPointId) +
                        " are taken, and no data file can hold a larger one.");
  OnCancel();
}

std::string CGetPointDialog::Note() const {
  if (!m_topDistance) return {};
  const std::string warning = TopWarning();
  return warning.empty() ? "Point t is " + FormatFixed(*m_topDistance, 1) + " pixels off the vertical through point b."
                         : warning;
}

std::string CGetPointDialog::TopWarning() const {
  return m_topDistance ? TopOffVerticalWarning(*m_topDistance) : std::string();
}

namespace {

// The fields show 15 significant digits: a result is still in its field when it reads the same.
bool Shows(double field, double result) { return FormatDoubleField(field) == FormatDoubleField(result); }

}  // namespace

CPointRecord CGetPointDialog::MeasurementRecord(const CChainInputs& chain) const {
  CPointRecord record;
  record.chain = chain;
  record.zMeasured = m_lastHeight && Shows(m_Z, m_lastHeight->m_Z);
  record.xyMeasured = m_lastGround && Shows(m_X, m_lastGround->m_X) && Shows(m_Y, m_lastGround->m_Y);
  if (m_lastHeight) {
    record.how.bU = m_lastHeight->m_bU, record.how.bV = m_lastHeight->m_bV;
    record.how.tU = m_lastHeight->m_tU, record.how.tV = m_lastHeight->m_tV;
  }
  if (m_lastGround) {
    record.how.U = m_lastGround->m_U, record.how.V = m_lastGround->m_V, record.how.Z = m_lastGround->m_Z;
    // X and Y rest on the computed height only when they were computed at it.
    record.how.heightFromSegment = m_lastHeight && Shows(m_lastGround->m_Z, m_lastHeight->m_Z);
  } else {
    record.how.heightFromSegment = record.zMeasured;
  }
  const int ids[3] = {m_nRefX, m_nRefY, m_nRefZ};
  const double values[3] = {m_X, m_Y, m_Z};
  for (int k = 0; k < 3; ++k) {
    const bool computedSince = k < 2 ? record.xyMeasured : record.zMeasured;
    if (m_copied[k] && Shows(values[k], *m_copied[k]) && !computedSince) record.copiedFrom[k] = ids[k];
  }
  // X and Y computed at a height other than the segment's: one taken over (it carries that
  // point's uncertainty), or one typed and kept (exact: the point is declared at that height).
  if (record.xyMeasured && !record.how.heightFromSegment) {
    if (m_copied[2] && Shows(m_lastGround->m_Z, *m_copied[2]))
      record.xyHeightFrom = *m_copiedIds[2];
    else
      record.zExact = !record.zMeasured && record.copiedFrom[2] < 0 && Shows(m_Z, m_lastGround->m_Z);
  }
  return record;
}
