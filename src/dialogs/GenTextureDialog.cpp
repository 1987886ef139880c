#include "dialogs/GenTextureDialog.h"

#include "texture/FaceTexture.h"

void CGenTextureDialog::DoDataExchange(CDataExchange& dx) {
  dx.Int(1027, m_nPoint1Id);
  dx.Int(1028, m_nPoint2Id);
  dx.Int(1029, m_nPoint3Id);
  dx.Int(1030, m_nPoint4Id);
}

void CGenTextureDialog::OnButton(int controlId) {
  if (controlId != IDC_GEN_TEX) return;
  UpdateData(true);
  const int ids[4] = {m_nPoint1Id, m_nPoint2Id, m_nPoint3Id, m_nPoint4Id};
  GenerateFaceTexture(m_model, ids, m_szTextureName);
}
