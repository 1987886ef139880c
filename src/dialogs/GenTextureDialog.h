#pragma once
// "SPECIFY FACE POINTS:": four point ids; "Gen TEX" writes the face's texture and keeps its name
// for the face that OK records.

#include "services/Dialog.h"

#include <string>

class CSingleImage;

inline constexpr int IDD_GEN_TEXTURE = 133;
inline constexpr int IDC_GEN_TEX = 3;

class CGenTextureDialog final : public CDialogModel {
 public:
  explicit CGenTextureDialog(const CSingleImage& model) : CDialogModel(IDD_GEN_TEXTURE), m_model(model) {}

  void OnButton(int controlId) override;
  const int* PointIds() const { return &m_nPoint1Id; }

  std::string m_szTextureName;
  int m_nPoint1Id = 0;
  int m_nPoint2Id = 0;
  int m_nPoint3Id = 0;
  int m_nPoint4Id = 0;

 protected:
  void DoDataExchange(CDataExchange& dx) override;

 private:
  const CSingleImage& m_model;
};
