#include "dialogs/GenTextureDialog.h"

#include "model/SingleImage.h"
#include "services/Services.h"
#include "texture/FaceTexture.h"

void CGenTextureDialog::DoDataExchange(CDataExchange& dx) {
  dx.Int(IDC_POINT_IDS[0], m_nPoint1Id, "Point 1 ID");
  dx.Int(IDC_POINT_IDS[1], m_nPoint2Id, "Point 2 ID");
  dx.Int(IDC_POINT_IDS[2], m_nPoint3Id, "Point 3 ID");
  dx.Int(IDC_POINT_IDS[3], m_nPoint4Id, "Point 4 ID");
}

void CGenTextureDialog::OnButton(int controlId) {
  if (controlId == IDC_GEN_TEX) OnGenTex();
}

void CGenTextureDialog::OnGenTex() {
  if (!UpdateData(true)) return;
  GenerateFaceTexture(m_model, PointIds().data(), m_szTextureName);
}

// A face may be recorded before its points are measured, but not by a slip of the keyboard:
// the user is told which ids name no point and decides.
void CGenTextureDialog::OnOK() {
  if (!UpdateData(true)) return;
  const std::array<int, 4> ids = PointIds();
  const std::string missing = MissingPointsMessage(m_model, ids.data());
  if (!missing.empty() &&
      !Services().AskYesNo(missing + "\nRecord the face anyway? It is marked incomplete in the list of faces "
                                     "until its points exist.")) {
    for (int k = 0; k < 4; ++k)
      if (m_model.FindPointIndex(ids[k]) < 0) {
        RequestFocus(IDC_POINT_IDS[k]);
        break;
      }
    return;
  }
  EndDialog(kDialogOk);
}
