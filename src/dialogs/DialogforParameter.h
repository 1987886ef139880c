#pragma once
// "SPECIFY ORIGIN AND ANOTHER ONE POINT FOR a & b & l & A": the reference-parameter fields;
// "Caculate" computes a, b and A into them from the scene model, OK leaves storing to the view.

#include "metrology/ReferenceParameters.h"
#include "services/Dialog.h"

class CSingleImage;

inline constexpr int IDD_PARAMETER = 131;
inline constexpr int IDC_CALCULATE_PARAMETERS = 1014;
// Its edit controls.
inline constexpr int IDC_GROUND_X = 1001;
inline constexpr int IDC_GROUND_Y = 1002;
inline constexpr int IDC_GROUND_U = 1003;
inline constexpr int IDC_GROUND_V = 1004;
inline constexpr int IDC_REFERENCE_BU = 1005;
inline constexpr int IDC_REFERENCE_BV = 1006;
inline constexpr int IDC_REFERENCE_TU = 1007;
inline constexpr int IDC_REFERENCE_TV = 1008;
inline constexpr int IDC_REFERENCE_HEIGHT = 1009;
inline constexpr int IDC_SCALE_A_X = 1010;
inline constexpr int IDC_SCALE_B_Y = 1011;
inline constexpr int IDC_SCALE_A_Z = 1012;
inline constexpr int IDC_ORIGIN_U = 1015;
inline constexpr int IDC_ORIGIN_V = 1016;

class CDialogforParameter final : public CDialogModel, public CReferenceFields {
 public:
  explicit CDialogforParameter(const CSingleImage& model) : CDialogModel(IDD_PARAMETER), m_model(model) {}

  void OnButton(int controlId) override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;

 private:
  const CSingleImage& m_model;
};
