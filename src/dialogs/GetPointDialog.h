#pragma once
// The point dialog ("Dialog"): the image position being measured, the foot and top of a
// vertical segment, the world coordinates with the ids they were taken over from, and the
// four computations that fill one field from the others.

#include "metrology/MeasurementLog.h"
#include "metrology/PointMeasurement.h"
#include "services/Dialog.h"

#include <optional>
#include <string>

class CSingleImage;

inline constexpr int IDD_GET_POINT = 132;
inline constexpr int IDC_CALCULATE_Z = 1026;
inline constexpr int IDC_GET_REF = 1027;
inline constexpr int IDC_CALCULATE_XY = 1028;
inline constexpr int IDC_CALCULATE_IMAGE_POSITION = 1029;
// Its edit controls.
inline constexpr int IDC_POINT_BU = 1005;
inline constexpr int IDC_POINT_BV = 1006;
inline constexpr int IDC_POINT_TU = 1007;
inline constexpr int IDC_POINT_TV = 1008;
inline constexpr int IDC_POINT_ID = 1015;
inline constexpr int IDC_POINT_X = 1016;
inline constexpr int IDC_POINT_REF_X = 1017;
inline constexpr int IDC_POINT_Y = 1018;
inline constexpr int IDC_POINT_REF_Y = 1019;
inline constexpr int IDC_POINT_Z = 1020;
inline constexpr int IDC_POINT_REF_Z = 1021;
inline constexpr int IDC_POINT_U = 1022;
inline constexpr int IDC_POINT_V = 1023;

class CGetPointDialog final : public CDialogModel, public CPointFields {
 public:
  explicit CGetPointDialog(const CSingleImage& model) : CDialogModel(IDD_GET_POINT), m_model(model) {}

  void OnButton(int controlId) override;
  // Refuses the point, and closes, when no id is left for it.
  void OnOK() override;

  // How the fields' X, Y and Z were obtained, for the point made from them: a computation counts
  // only while its result is still in its field.
  CPointRecord MeasurementRecord(const CChainInputs& chain) const;

  // How far the typed t lay off the vertical through b at the last "CACULATE Z" that gave a
  // height, in pixels (the height is measured from t moved onto it); none before.
  std::optional<double> TopDistance() const { return m_topDistance; }
  // The warning that distance is worth ("the top is not above its foot"), or "" when none is:
  // for the caller to show beside the dialog, not a message box.
  std::string TopWarning() const;
  // How far the last "CACULATE Z" found the top off its foot's vertical, with the warning when
  // it is worth one.
  bool HasNote() const override { return true; }
  std::string Note() const override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;

 private:
  const CSingleImage& m_model;
  // The inputs and results of the last "CACULATE Z" and "CACULATE XandY", and the values "GET
  // REF" took over.
  std::optional<CPointFields> m_lastHeight;
  std::optional<CPointFields> m_lastGround;
  std::optional<double> m_copied[3];
  std::optional<int> m_copiedIds[3];
  std::optional<double> m_topDistance;
};
