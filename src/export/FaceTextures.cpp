#include "export/FaceTextures.h"

#include "image/PngFile.h"
#include "model/SingleImage.h"
#include "texture/Rectification.h"

std::vector<unsigned char> FaceTexturePng(const CSingleImage& model, const CExportFace& face) {
  int W = 0, H = 0;
  std::string problem;
  if (!model.HasPixels() || !FaceTextureSize(face.pixelU, face.pixelV, W, H, problem)) return {};
  const CPixelImage texture = RectifyTexture(model, face.pixelU, face.pixelV, W, H);
  if (!texture.pixels) return {};
  return EncodePng(texture.pixels.get(), W, H);
}
