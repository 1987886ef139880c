#pragma once
// "SPECIFY ORIGIN AND ANOTHER ONE POINT FOR a & b & l & A": the reference-parameter fields;
// "Caculate" computes a, b and A into them from the scene model, OK leaves storing to the view.

#include "metrology/ReferenceParameters.h"
#include "services/Dialog.h"

class CSingleImage;

inline constexpr int IDD_PARAMETER = 131;
inline constexpr int IDC_CALCULATE_PARAMETERS = 1014;

class CDialogforParameter final : public CDialogModel, public CReferenceFields {
 public:
  explicit CDialogforParameter(const CSingleImage& model) : CDialogModel(IDD_PARAMETER), m_model(model) {}

  void OnButton(int controlId) override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;

 private:
  const CSingleImage& m_model;
};
