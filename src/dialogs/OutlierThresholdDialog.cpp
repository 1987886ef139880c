#include "dialogs/OutlierThresholdDialog.h"

#include "services/Services.h"

#include <cmath>

void COutlierThresholdDialog::DoDataExchange(CDataExchange& dx) {
  dx.Double(IDC_OUTLIER_THRESHOLD, m_dDegrees, "Threshold");
}

void COutlierThresholdDialog::OnOK() {
  if (!UpdateData(true)) return;
  if (!(m_dDegrees > 0 && std::isfinite(m_dDegrees))) {
    RequestFocus(IDC_OUTLIER_THRESHOLD);
    Services().MessageBox("The threshold must be a positive number of degrees.");
    return;
  }
  EndDialog(kDialogOk);
}
