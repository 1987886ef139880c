#include "dialogs/DialogforParameter.h"

#include "services/Services.h"

void CDialogforParameter::DoDataExchange(CDataExchange& dx) {
  dx.Double(IDC_REFERENCE_BU, m_bU, "point b (u)");
  dx.Double(IDC_REFERENCE_BV, m_bV, "point b (v)");
  dx.Double(IDC_SCALE_A_Z, m_A, "A");
  dx.Double(IDC_SCALE_A_X, m_a, "a");
  dx.Double(IDC_SCALE_B_Y, m_b, "b");
  dx.Double(IDC_GROUND_X, m_PointX, "point x");
  dx.Double(IDC_GROUND_Y, m_PointY, "point y");
  dx.Double(IDC_REFERENCE_TU, m_tU, "point t (u)");
  dx.Double(IDC_REFERENCE_TV, m_tV, "point t (v)");
  dx.Double(IDC_REFERENCE_HEIGHT, m_ZValue, "Z Value");
  dx.Double(IDC_GROUND_U, m_PointU, "point u");
  dx.Double(IDC_GROUND_V, m_PointV, "point v");
  dx.Double(IDC_ORIGIN_U, m_WorldOriginU, "WorldOriginU");
  dx.Double(IDC_ORIGIN_V, m_WorldOriginV, "WorldOriginV");
}

void CDialogforParameter::OnButton(int controlId) {
  if (controlId != IDC_CALCULATE_PARAMETERS) return;
  if (!UpdateData(true)) return;  // nothing is computed from a field that did not convert
  const std::string problem = CalculateReferenceScales(m_model, *this);
  UpdateData(false);
  if (!problem.empty()) Services().MessageBox(problem);
}
