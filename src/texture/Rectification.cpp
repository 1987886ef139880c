#include "texture/Rectification.h"

#include "model/SingleImage.h"
#include "numerics/Matrix.h"
#include "numerics/RowMatrix.h"
#include "texture/RectificationKernel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kTileRows = 32;
constexpr int kTileColumns = 128;
// Photograph lines for the texture row this far ahead are fetched while a row is sampled.
constexpr int kPrefetchRowsAhead = 2;
// Below this many texture pixels starting a second thread costs more than it saves.
constexpr long long kPixelsWorthASecondThread = 1LL << 18;

// Tile rows first, first + step, first + 2·step, … of the texture. A texture row can sweep across
// hundreds of photograph rows, a tile stays within a small patch of the photograph, so its
// pixels are read from cache.
void RectifyTileRows(const CRectificationSource& source, const double M[3][3], int W, int H, int firstTileRow,
                     int tileRowStep, unsigned char* texture) {
  for (int tileY = firstTileRow * kTileRows; tileY < H; tileY += tileRowStep * kTileRows)
    for (int tileX = 0; tileX < W; tileX += kTileColumns) {
      const int endY = std::min(H, tileY + kTileRows), endX = std::min(W, tileX + kTileColumns);
      for (int y = tileY; y < std::min(endY, tileY + kPrefetchRowsAhead); ++y)
        PrefetchTextureRowSource(source, M, y, tileX, endX);
      for (int y = tileY; y < endY; ++y) {
        if (y + kPrefetchRowsAhead < endY) PrefetchTextureRowSource(source, M, y + kPrefetchRowsAhead, tileX, endX);
        SampleTextureRow(source, M, y, tileX, endX, texture + static_cast<size_t>(y) * W * 3);
      }
    }
}

int ThreadsFor(int W, int H, int threadCount) {
  const int tileRows = (H + kTileRows - 1) / kTileRows;
  if (threadCount == kAnyThreadCount) {
    if (static_cast<long long>(W) * H < kPixelsWorthASecondThread) return 1;
    threadCount = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  }
  return std::clamp(threadCount, 1, std::max(1, tileRows));
}

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

CPixelImage RectifyTexture(const CSingleImage& model, const double U[4], const double V[4], int W, int H,
                           int threadCount) {
  double M[3][3];
  FitTextureHomography(U, V, W, H, M);
  CPixelImage texture;
  texture.width = W;
  texture.height = H;
  texture.pixels = AllocatePixels(texture.ByteCount());
  if (!texture.pixels) return {};
  const CRectificationSource source{model.m_pPixels.get(), model.GetWidth(), model.GetHeight()};
  // Pixels do not depend on one another, so the threads' shares and their order are free and the
  // texture is the same whatever the number of threads. Interleaved tile rows share out faces
  // whose one side lies outside the photograph evenly.
  const int threads = ThreadsFor(W, H, threadCount);
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t)
    helpers.emplace_back(RectifyTileRows, std::cref(source), M, W, H, t, threads, texture.pixels.get());
  RectifyTileRows(source, M, W, H, 0, threads, texture.pixels.get());
  for (std::thread& helper : helpers) helper.join();
  return texture;
}
