#include "dialogs/DialogforParameter.h"

#include "services/Services.h"

void CDialogforParameter::DoDataExchange(CDataExchange& dx) {
  dx.Double(1005, m_bU);
  dx.Double(1006, m_bV);
  dx.Double(1012, m_A);
  dx.Double(1010, m_a);
  dx.Double(1011, m_b);
  dx.Double(1001, m_PointX);
  dx.Double(1002, m_PointY);
  dx.Double(1007, m_tU);
  dx.Double(1008, m_tV);
  dx.Double(1009, m_ZValue);
  dx.Double(1003, m_PointU);
  dx.Double(1004, m_PointV);
  dx.Double(1015, m_WorldOriginU);
  dx.Double(1016, m_WorldOriginV);
}

void CDialogforParameter::OnButton(int controlId) {
  if (controlId != IDC_CALCULATE_PARAMETERS) return;
  UpdateData(true);
  const std::string problem = CalculateReferenceScales(m_model, *this);
  UpdateData(false);
  if (!problem.empty()) Services().MessageBox(problem);
}
