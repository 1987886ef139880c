#include "dialogs/QueryTexture.h"

#include "dialogs/GenTextureDialog.h"
#include "texture/FaceTexture.h"

void CQueryTexture::DoDataExchange(CDataExchange& dx) {
  dx.Int(1027, m_nPoint1Id);
  dx.Int(1028, m_nPoint2Id);
  dx.Int(1029, m_nPoint3Id);
  dx.Int(1030, m_nPoint4Id);
  dx.Int(1031, m_nTextureNumber);
}

void CQueryTexture::OnButton(int controlId) {
  if (controlId == IDC_QUERY) {
    UpdateData(true);
    int ids[4] = {m_nPoint1Id, m_nPoint2Id, m_nPoint3Id, m_nPoint4Id};
    if (QueryFace(m_model, m_nTextureNumber, ids)) {
      m_nPoint1Id = ids[0], m_nPoint2Id = ids[1], m_nPoint3Id = ids[2], m_nPoint4Id = ids[3];
    }
    UpdateData(false);
  } else if (controlId == IDC_GEN_TEX) {
    UpdateData(true);
    const int ids[4] = {m_nPoint1Id, m_nPoint2Id, m_nPoint3Id, m_nPoint4Id};
    if (GenerateFaceTexture(m_model, ids, m_szTextureName)) m_bNameGenerated = true;
  }
}
