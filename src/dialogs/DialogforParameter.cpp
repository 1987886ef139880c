#include "dialogs/DialogforParameter.h"

#include "services/Services.h"

void CDialogforParameter::DoDataExchange(CDataExchange& dx) {
  dx.Double(1005, m_bU, "point b (u)");
  dx.Double(1006, m_bV, "point b (v)");
  dx.Double(1012, m_A, "A");
  dx.Double(1010, m_a, "a");
  dx.Double(1011, m_b, "b");
  dx.Double(1001, m_PointX, "point x");
  dx.Double(1002, m_PointY, "point y");
  dx.Double(1007, m_tU, "point t (u)");
  dx.Double(1008, m_tV, "point t (v)");
  dx.Double(1009, m_ZValue, "Z Value");
  dx.Double(1003, m_PointU, "point u");
  dx.Double(1004, m_PointV, "point v");
  dx.Double(1015, m_WorldOriginU, "WorldOriginU");
  dx.Double(1016, m_WorldOriginV, "WorldOriginV");
}

void CDialogforParameter::OnButton(int controlId) {
  if (controlId != IDC_CALCULATE_PARAMETERS) return;
  if (!UpdateData(true)) return;  // nothing is computed from a field that did not convert
  const std::string problem = CalculateReferenceScales(m_model, *this);
  UpdateData(false);
  if (!problem.empty()) Services().MessageBox(problem);
}
