#include "model/SingleImage.h"

#include "image/Bmp.h"
#include "image/Photograph.h"
#include "model/DisplayTexture.h"
#include "services/Services.h"

#include <algorithm>
#include <cstdio>
#include <vector>

CSingleImage::CSingleImage(const char* path, EPhotoFiles files) {
  if (files == EPhotoFiles::AnyFormat)
    ReadPhotograph(path);
  else
    ReadBMP(path);
  CreateTexture();
  ResetQuantities();
}

CSingleImage::CSingleImage(int width, int height) : m_nWidth(width), m_nHeight(height) { ResetQuantities(); }

CSingleImage::~CSingleImage() {
  m_pPixels.reset();
  if (m_nTexName != 0 && DisplayTextureHooks().release) DisplayTextureHooks().release(m_nTexName);
  m_Points.RemoveAll();
  m_Textures.RemoveAll();
}

void CSingleImage::ResetQuantities() {
  for (int i = 0; i < 3; ++i) {
    m_Vx[i] = m_Vy[i] = m_Vz[i] = m_lScale[i] = m_l[i] = 0;
    for (int j = 0; j < 3; ++j) m_HMatrix[i][j] = m_HStandardMatrix[i][j] = 0;
  }
  m_a = m_b = m_A = 0;
  m_StandardOrigin[0] = m_StandardOrigin[1] = 0;
  m_nMaxId = -1;
  m_Points.RemoveAll();
  m_Textures.RemoveAll();
}

int CSingleImage::FindPointIndex(int id) const {
  int found = -1;
  for (int i = 0; i < m_Points.GetCount(); ++i)
    if (m_Points.ElementAt(i)->m_id == id) found = i;
  return found;
}

std::string MissingPointsMessage(const CSingleImage& model, const int* ids, int count) {
  std::vector<int> missing;
  for (int k = 0; k < count; ++k)
    if (model.FindPointIndex(ids[k]) < 0 && std::find(missing.begin(), missing.end(), ids[k]) == missing.end())
      missing.push_back(ids[k]);
  if (missing.empty()) return {};
  if (missing.size() == 1) return "Point " + std::to_string(missing[0]) + " doesn't exist.";
  std::string list = std::to_string(missing[0]);
  for (size_t i = 1; i + 1 < missing.size(); ++i) list += ", " + std::to_string(missing[i]);
  return "Points " + list + " and " + std::to_string(missing.back()) + " don't exist.";
}

void CSingleImage::ReadBMP(const char* path) {
  CBmpReadResult result = ReadBmpFile(path);
  switch (result.failure) {
    case EBmpReadFailure::None:
      break;
    case EBmpReadFailure::CannotOpen:
      Trace("can't open imagefile %s!", path);
      break;
    case EBmpReadFailure::NotThisFormat:
      break;
    case EBmpReadFailure::BadFormat:
      Trace("the iamgeformat is not 24bit uncompressed bitmap!");
      break;
  }
  m_readFailure = result.reason;
  if (!result.Succeeded()) return;
  // The old buffer goes only now that the new one is complete.
  m_pPixels = std::move(result.image.pixels);
  m_nWidth = result.image.width;
  m_nHeight = result.image.height;
  if (result.closeFailed) Services().MessageBox("The image is not properly colsed....,too bad!");
}

void CSingleImage::ReadPhotograph(const char* path) {
  unsigned char head[64];
  const size_t headBytes = ReadFileHead(path, head, sizeof head);
  const EPhotoFormat format = DetectPhotoFormat(head, headBytes);
  if (format == EPhotoFormat::ClassicBmp || format == EPhotoFormat::Unknown) {
    ReadBMP(path);
    if (format == EPhotoFormat::Unknown && !m_readFailure.empty() && headBytes > 0)
      m_readFailure = "the file is not a BMP, JPEG or PNG picture";
    return;
  }
  std::string bytes;
  if (!ReadWholeFile(path, bytes, m_readFailure)) return;
  CPhotoReadResult result =
      DecodePhotograph(format, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  m_readFailure = result.reason;
  if (!result.Succeeded()) return;
  m_pPixels = std::move(result.image.pixels);
  m_nWidth = result.image.width;
  m_nHeight = result.image.height;
}

CSaveResult CSingleImage::WriteBMP(const char* path, const unsigned char* pixels, int width, int height) {
  CSaveResult result = WriteBmpFile(path, pixels, width, height);
  if (result.couldNotOpen) Trace("can't open imagefile %s!", path);
  return result;
}

void CSingleImage::CreateTexture() {
  const CDisplayTextureHooks& hooks = DisplayTextureHooks();
  if (m_nTexName != 0 && hooks.release) hooks.release(m_nTexName);
  m_nTexName = 0;
  if (m_pPixels && m_nWidth > 0 && m_nHeight > 0 && hooks.upload)
    m_nTexName = hooks.upload(m_pPixels.get(), m_nWidth, m_nHeight);
}
