#include "dialogs/QueryTexture.h"

#include "dialogs/GenTextureDialog.h"
#include "model/SingleImage.h"
#include "services/Services.h"
#include "texture/FaceTexture.h"

namespace {

constexpr const char* kNumberName = "TEXUTURE  NUMBER";

std::string NoSuchFaceMessage(int number, int faceCount) {
  const std::string which = "Face " + std::to_string(number) + " doesn't exist";
  if (faceCount == 0) return which + ": there are no faces yet.";
  if (faceCount == 1) return which + ": the only face is number 0.";
  return which + ": the faces are numbered 0 to " + std::to_string(faceCount - 1) + ".";
}

}  // namespace

void CQueryTexture::DoDataExchange(CDataExchange& dx) {
  dx.Int(IDC_POINT_IDS[0], m_nPoint1Id, "Point 1 ID");
  dx.Int(IDC_POINT_IDS[1], m_nPoint2Id, "Point 2 ID");
  dx.Int(IDC_POINT_IDS[2], m_nPoint3Id, "Point 3 ID");
  dx.Int(IDC_POINT_IDS[3], m_nPoint4Id, "Point 4 ID");
  dx.Int(IDC_TEXTURE_NUMBER, m_nTextureNumber, kNumberName);
}

void CQueryTexture::OnButton(int controlId) {
  if (controlId == IDC_QUERY)
    OnQuery();
  else if (controlId == IDC_GEN_TEX)
    OnGenTex();
}

void CQueryTexture::OnQuery() {
  // The number is what QUERY reads; the ids it replaces need not hold numbers.
  CDataExchange dx(*this, true);
  dx.Int(IDC_TEXTURE_NUMBER, m_nTextureNumber, kNumberName);
  if (dx.Failed()) return;
  int ids[4] = {};
  if (!QueryFace(m_model, m_nTextureNumber, ids)) {
    // Ids left from an earlier face would pass for this one's.
    for (int control : IDC_POINT_IDS) SetControlText(control, "");
    RequestFocus(IDC_TEXTURE_NUMBER);
    Services().MessageBox(NoSuchFaceMessage(m_nTextureNumber, m_model.m_Textures.GetCount()));
    return;
  }
  m_nPoint1Id = ids[0], m_nPoint2Id = ids[1], m_nPoint3Id = ids[2], m_nPoint4Id = ids[3];
  UpdateData(false);
}

void CQueryTexture::OnGenTex() {
  if (!UpdateData(true)) return;
  const int ids[4] = {m_nPoint1Id, m_nPoint2Id, m_nPoint3Id, m_nPoint4Id};
  if (GenerateFaceTexture(m_model, ids, m_szTextureName)) m_bNameGenerated = true;
}

void CQueryTexture::OnOK() {
  CDataExchange dx(*this, true);
  dx.Int(IDC_TEXTURE_NUMBER, m_nTextureNumber, kNumberName);
  if (!dx.Failed()) EndDialog(kDialogOk);
}
