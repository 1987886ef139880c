#pragma once
// "SPECIFY FACE POINTS:": four point ids; "Gen TEX" writes the face's texture and keeps its name
// for the face that OK records. OK asks before recording a face whose ids name no point.

#include "services/Dialog.h"

#include <array>
#include <string>

class CSingleImage;

inline constexpr int IDD_GEN_TEXTURE = 133;
inline constexpr int IDC_GEN_TEX = 3;
// The edit controls of the four point ids, in order; shared with "SELECT TEXTURE".
inline constexpr int IDC_POINT_IDS[4] = {1027, 1028, 1029, 1030};

class CGenTextureDialog final : public CDialogModel {
 public:
  explicit CGenTextureDialog(const CSingleImage& model) : CDialogModel(IDD_GEN_TEXTURE), m_model(model) {}

  void OnButton(int controlId) override;
  void OnOK() override;
  void OnGenTex();
  std::array<int, 4> PointIds() const { return {m_nPoint1Id, m_nPoint2Id, m_nPoint3Id, m_nPoint4Id}; }

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
