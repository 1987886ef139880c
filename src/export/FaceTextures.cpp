#include "export/FaceTextures.h"

#include "image/PngFile.h"
#include "model/SingleImage.h"
#include "texture/Rectification.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

std::vector<unsigned char> FaceTexturePng(const CSingleImage& model, const CExportFace& face, int threadCount) {
  int W = 0, H = 0;
  std::string problem;
  if (!model.HasPixels() || !FaceTextureSize(face.pixelU, face.pixelV, W, H, problem)) return {};
  const CPixelImage texture = RectifyTexture(model, face.pixelU, face.pixelV, W, H, threadCount);
  if (!texture.pixels) return {};
  return EncodePng(texture.pixels.get(), W, H);
}

}  // namespace

std::vector<unsigned char> FaceTexturePng(const CSingleImage& model, const CExportFace& face) {
  return FaceTexturePng(model, face, kAnyThreadCount);
}

std::vector<std::vector<unsigned char>> FaceTexturePngs(const CSingleImage& model, std::span<const CExportFace> faces) {
  std::vector<std::vector<unsigned char>> pngs(faces.size());
  const size_t workers = std::min<size_t>(faces.size(), std::max(1u, std::thread::hardware_concurrency()));
  if (workers <= 1) {
    for (size_t i = 0; i < faces.size(); ++i) pngs[i] = FaceTexturePng(model, faces[i]);
    return pngs;
  }
  // Each worker takes the next face not yet taken and makes it on its own thread alone: the
  // faces, not the rows of one face, are shared out, and encoding the PNGs is shared too.
  std::atomic<size_t> next = 0;
  const auto work = [&] {
    for (size_t i = next++; i < faces.size(); i = next++) pngs[i] = FaceTexturePng(model, faces[i], 1);
  };
  std::vector<std::jthread> threads;
  for (size_t k = 1; k < workers; ++k) threads.emplace_back(work);
  work();
  return pngs;
}
