#include "texture/FaceTexture.h"

#include "image/Bmp.h"
#include "image/PixelImage.h"
#include "model/SingleImage.h"
#include "services/Services.h"
#include "texture/GifFile.h"
#include "texture/Rectification.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr size_t kGifSuffixLength = 4;  // ".gif"

bool HasWhiteSpace(const std::string& text) {
  return text.find_first_of(" \t\r\n\v\f") != std::string::npos;
}

}  // namespace

bool FaceTextureLayout(const CSingleImage& model, const int pointIds[4], double U[4], double V[4], int& W, int& H,
                       std::string& problem) {
  const double hw = model.GetWidth() / 2.0;
  const double hh = model.GetHeight() / 2.0;
  if (std::string missing = MissingPointsMessage(model, pointIds); !missing.empty()) {
    problem = std::move(missing);
    return false;
  }
  for (int k = 0; k < 4; ++k) {
    const int index = model.FindPointIndex(pointIds[k]);
    U[k] = hw + model.m_Points.ElementAt(index)->m_u;
    V[k] = hh + model.m_Points.ElementAt(index)->m_v;
  }
  return FaceTextureSize(U, V, W, H, problem);
}

std::vector<CTextureFile> TextureFiles(std::shared_ptr<const CPixelImage> picture, const std::string& baseName,
                                       std::string& problem) {
  std::vector<unsigned char> gif = EncodeGif(picture->pixels.get(), picture->width, picture->height, problem);
  if (gif.empty()) return {};
  std::vector<CTextureFile> files;
  files.push_back({baseName + ".bmp", [picture](CFileSink& sink) {
                     BmpContentWriter(picture->pixels.get(), picture->width, picture->height)(sink);
                   }});
  files.push_back({baseName + ".gif", [gif = std::string(gif.begin(), gif.end())](CFileSink& sink) { sink.Write(gif); }});
  return files;
}

bool GenerateFaceTexture(const CSingleImage& model, const int pointIds[4], std::string& textureName) {
  double U[4] = {}, V[4] = {};
  int W = 0, H = 0;
  std::string problem;
  if (!FaceTextureLayout(model, pointIds, U, V, W, H, problem)) {
    Services().MessageBox(problem);
    return false;
  }

  const std::optional<CFileDialogChoice> choice = AskForFile(EFileDialogKind::Save);
  if (!choice) return false;
  if (HasWhiteSpace(choice->fileName)) {
    Services().MessageBox("The texture name \"" + choice->fileName +
                          "\" holds white space: the data file could not read it back. Choose a name without blanks.");
    return false;
  }
  if (choice->fileName.empty() || choice->fileName.size() + kGifSuffixLength > static_cast<size_t>(kTextureNameLength)) {
    Services().MessageBox("The texture name must have 1 to " + std::to_string(kTextureNameLength - kGifSuffixLength) +
                          " characters, so that it fits the data file with \".gif\".");
    return false;
  }

  const std::string bmpPath = choice->fullPath + ".bmp";
  const std::string gifPath = choice->fullPath + ".gif";
  const CPixelImage texture = RectifyTexture(model, U, V, W, H);
  if (!texture.pixels) {
    Services().MessageBox("There is not enough memory for a texture of " + std::to_string(W) + " x " +
                          std::to_string(H) + " pixels.");
  } else {
    const CSaveResult bmp = CSingleImage::WriteBMP(bmpPath.c_str(), texture.pixels.get(), W, H);
    if (!bmp) Services().MessageBox("The texture file " + bmpPath + " cannot be written: " + bmp.reason + ".");
    const CSaveResult gif = WriteGifFile(gifPath, texture.pixels.get(), W, H);
    if (!gif) Services().MessageBox("The texture file " + gifPath + " cannot be written: " + gif.reason + ".");
  }
  textureName = choice->fileName + ".gif";
  return true;
}

void AddFace(CSingleImage& model, const std::string& textureName, const int pointIds[4]) {
  auto* face = new CTextureImage;
  face->SetName(textureName);
  for (int k = 0; k < 4; ++k) face->m_pointId[k] = pointIds[k];
  model.m_Textures.Add(face);
}

bool QueryFace(const CSingleImage& model, int number, int pointIds[4]) {
  if (number < 0 || number >= model.m_Textures.GetCount()) return false;
  for (int k = 0; k < 4; ++k) pointIds[k] = model.m_Textures.ElementAt(number)->m_pointId[k];
  return true;
}

void RenameFace(CSingleImage& model, int number, const std::string& textureName) {
  if (number < 0 || number >= model.m_Textures.GetCount()) return;
  model.m_Textures.ElementAt(number)->SetName(textureName);
}

void DeleteFace(CSingleImage& model, int number) { model.m_Textures.RemoveAt(number); }

std::string MissingPointsMessage(const CSingleImage& model, const int pointIds[4]) {
  return MissingPointsMessage(model, pointIds, 4);
}

bool FaceHasAllPoints(const CSingleImage& model, int number) {
  if (number < 0 || number >= model.m_Textures.GetCount()) return false;
  for (int id : model.m_Textures.ElementAt(number)->m_pointId)
    if (model.FindPointIndex(id) < 0) return false;
  return true;
}
