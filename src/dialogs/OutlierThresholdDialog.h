#pragma once
// "Disable Outliers": the residual, in degrees, above which a segment no longer counts for its
// direction's vanishing point. OK refuses a threshold that is not a positive number.

#include "services/Dialog.h"

inline constexpr int IDD_OUTLIER_THRESHOLD = 150;
inline constexpr int IDC_OUTLIER_THRESHOLD = 1150;

class COutlierThresholdDialog final : public CDialogModel {
 public:
  explicit COutlierThresholdDialog(double degrees) : CDialogModel(IDD_OUTLIER_THRESHOLD), m_dDegrees(degrees) {}

  void OnOK() override;

  double m_dDegrees;

 protected:
  void DoDataExchange(CDataExchange& dx) override;
};
