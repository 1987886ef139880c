#include "texture/Rectification.h"

#include "model/SingleImage.h"
#include "numerics/Matrix.h"
#include "numerics/RowMatrix.h"
#include "texture/RectificationKernel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kTileRows = 32;
constexpr int kTileColumns = 128;

}  // namespace

bool FaceTextureSize(const double U[4], const double V[4], int& W, int& H, std::string& problem) {
  for (int k = 0; k < 4; ++k)
    if (!std::isfinite(U[k]) || !std::isfinite(V[k])) {
      problem = "The face's points have no finite image positions, so no texture can be made of it.";
      return false;
    }
  const CMatrix matrix;
  const double Wd = std::trunc((matrix.Max4(U[0], U[1], U[2], U[3]) - matrix.Min4(U[0], U[1], U[2], U[3])) + 1.0 + 0.5);
  const double Hd = std::trunc((matrix.Max4(V[0], V[1], V[2], V[3]) - matrix.Min4(V[0], V[1], V[2], V[3])) + 1.0 + 0.5);
  if (Wd * Hd * 3 > static_cast<double>(kMaxPixelBytes)) {
    char size[80];
    std::snprintf(size, sizeof size, "%.0f x %.0f", Wd, Hd);
    problem = std::string("The face covers ") + size +
              " pixels: its texture would be larger than the 1 GiB a BMP file can hold here.";
    return false;
  }
  W = static_cast<int>(Wd);
  H = static_cast<int>(Hd);
  return true;
}

void FitTextureHomography(const double U[4], const double V[4], int W, int H, double M[3][3]) {
  const double x[4] = {0, W - 1.0, W - 1.0, 0};
  const double y[4] = {0, 0, H - 1.0, H - 1.0};
  CRowMatrix A(8, 8);
  double b[8];
  for (int k = 0; k < 4; ++k) {
    const double row[8] = {x[k], y[k], 1, 0, 0, 0, -x[k] * U[k], -y[k] * U[k]};
    const double lower[8] = {0, 0, 0, x[k], y[k], 1, -x[k] * V[k], -y[k] * V[k]};
    for (int j = 0; j < 8; ++j) {
      A[k][j] = row[j];
      A[k + 4][j] = lower[j];
    }
    b[k] = U[k];
    b[k + 4] = V[k];
  }
  CMatrix().SolveLinearSystem(A.Rows(), b, 8);
  M[0][0] = b[0], M[0][1] = b[1], M[0][2] = b[2];
  M[1][0] = b[3], M[1][1] = b[4], M[1][2] = b[5];
  M[2][0] = b[6], M[2][1] = b[7], M[2][2] = 1;
}

CPixelImage RectifyTexture(const CSingleImage& model, const double U[4], const double V[4], int W, int H) {
  double M[3][3];
  FitTextureHomography(U, V, W, H, M);
  CPixelImage texture;
  texture.width = W;
  texture.height = H;
  texture.pixels = AllocatePixels(texture.ByteCount());
  if (!texture.pixels) return {};
  const CRectificationSource source{model.m_pPixels.get(), model.GetWidth(), model.GetHeight()};
  // Tile by tile: a texture row can sweep across hundreds of photograph rows, a tile stays within
  // a small patch of the photograph, so its pixels are read from cache. Pixels do not depend on
  // one another, so the order is free.
  for (int tileY = 0; tileY < H; tileY += kTileRows)
    for (int tileX = 0; tileX < W; tileX += kTileColumns)
      for (int y = tileY; y < std::min(H, tileY + kTileRows); ++y)
        SampleTextureRow(source, M, y, tileX, std::min(W, tileX + kTileColumns),
                         texture.pixels.get() + static_cast<size_t>(y) * W * 3);
  return texture;
}
