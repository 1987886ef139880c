#pragma once
// "SELECT TEXTURE": a face by its number; "QUERY" shows its point ids, "Gen TEX" writes its
// texture anew from the ids shown, and OK gives the face the name that "Gen TEX" made (OK after
// only looking a face up keeps its name).

#include "services/Dialog.h"

#include <string>

class CSingleImage;

inline constexpr int IDD_QUERY_TEXTURE = 134;
inline constexpr int IDC_QUERY = 5;
inline constexpr int IDC_TEXTURE_NUMBER = 1031;

class CQueryTexture final : public CDialogModel {
 public:
  explicit CQueryTexture(const CSingleImage& model) : CDialogModel(IDD_QUERY_TEXTURE), m_model(model) {}

  void OnButton(int controlId) override;
  // OK reads only the face number: the ids shown are not part of what it changes.
  void OnOK() override;
  // Shows the ids of the face with the number typed; for a number that no face has, empties
  // the ids and says so.
  void OnQuery();
  void OnGenTex();
  // True once "Gen TEX" has given m_szTextureName a name in this dialog.
  bool HasGeneratedName() const { return m_bNameGenerated; }

  int m_nPoint1Id = 0;
  int m_nPoint2Id = 0;
  int m_nPoint3Id = 0;
  int m_nPoint4Id = 0;
  int m_nTextureNumber = -1;
  std::string m_szTextureName;

 protected:
  void DoDataExchange(CDataExchange& dx) override;

 private:
  const CSingleImage& m_model;
  bool m_bNameGenerated = false;
};
