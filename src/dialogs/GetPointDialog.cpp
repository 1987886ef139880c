#include "dialogs/GetPointDialog.h"

#include "services/Services.h"

void CGetPointDialog::DoDataExchange(CDataExchange& dx) {
  dx.Double(1005, m_bU);
  dx.Double(1006, m_bV);
  dx.Double(1022, m_U);
  dx.Double(1023, m_V);
  dx.Int(1015, m_nPointID);
  dx.Double(1007, m_tU);
  dx.Double(1008, m_tV);
  dx.Double(1016, m_X);
  dx.Double(1018, m_Y);
  dx.Double(1020, m_Z);
  dx.Int(1017, m_nRefX);
  dx.Int(1019, m_nRefY);
  dx.Int(1021, m_nRefZ);
}

void CGetPointDialog::OnButton(int controlId) {
  if (controlId != IDC_CALCULATE_IMAGE_POSITION && controlId != IDC_CALCULATE_XY && controlId != IDC_CALCULATE_Z &&
      controlId != IDC_GET_REF)
    return;
  std::string problem;
  UpdateData(true);
  switch (controlId) {
    case IDC_CALCULATE_IMAGE_POSITION: problem = CalculateImagePosition(m_model, *this); break;
    case IDC_CALCULATE_XY: problem = CalculateXY(m_model, *this); break;
    case IDC_CALCULATE_Z: problem = CalculateZ(m_model, *this); break;
    default: GetReferences(m_model, *this); break;
  }
  UpdateData(false);
  if (!problem.empty()) Services().MessageBox(problem);
}
