#pragma once
// The point dialog ("Dialog"): the image position being measured, the foot and top of a
// vertical segment, the world coordinates with the ids they were taken over from, and the
// four computations that fill one field from the others.

#include "metrology/PointMeasurement.h"
#include "services/Dialog.h"

class CSingleImage;

inline constexpr int IDD_GET_POINT = 132;
inline constexpr int IDC_CALCULATE_Z = 1026;
inline constexpr int IDC_GET_REF = 1027;
inline constexpr int IDC_CALCULATE_XY = 1028;
inline constexpr int IDC_CALCULATE_IMAGE_POSITION = 1029;

class CGetPointDialog final : public CDialogModel, public CPointFields {
 public:
  explicit CGetPointDialog(const CSingleImage& model) : CDialogModel(IDD_GET_POINT), m_model(model) {}

  void OnButton(int controlId) override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;

 private:
  const CSingleImage& m_model;
};
