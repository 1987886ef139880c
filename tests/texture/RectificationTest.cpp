#include "texture/Rectification.h"

#include "texture/RectificationKernel.h"

#include "ScriptedServices.h"
#include "model/SingleImage.h"
#include "numerics/Matrix.h"
#include "numerics/RowMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// A photograph in memory, pixel (x, y) coloured by the function.
std::unique_ptr<CSingleImage> Photograph(int width, int height,
                                         const std::function<std::array<unsigned char, 3>(int, int)>& colourAt) {
  auto model = std::make_unique<CSingleImage>("");
  model->m_nWidth = width;
  model->m_nHeight = height;
  model->m_pPixels = AllocatePixels(3 * static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto colour = colourAt(x, y);
      std::copy(colour.begin(), colour.end(), model->m_pPixels.get() + 3 * (static_cast<size_t>(y) * width + x));
    }
  return model;
}

std::unique_ptr<CSingleImage> RandomPhotograph(std::mt19937& random, int width, int height) {
  return Photograph(width, height, [&](int, int) {
    return std::array<unsigned char, 3>{static_cast<unsigned char>(random()), static_cast<unsigned char>(random()),
                                        static_cast<unsigned char>(random())};
  });
}

// The texture exactly as rectification is defined, one pixel at a time: (a, b, c) = M·(x, y, 1)
// by the toolkit's matrix-vector product, the bilinear blend of the four neighbours read with
// GetPixel, rounded half up; black where there is no sample.
std::vector<unsigned char> ReferenceTexture(const CSingleImage& photo, const double M[3][3], int W, int H) {
  const CMatrix matrix;
  CRowMatrix homography({{M[0][0], M[0][1], M[0][2]}, {M[1][0], M[1][1], M[1][2]}, {M[2][0], M[2][1], M[2][2]}});
  std::vector<unsigned char> texture(3 * static_cast<size_t>(W) * H, 0);
  for (int x = 0; x < W; ++x)
    for (int y = 0; y < H; ++y) {
      const double position[3] = {static_cast<double>(x), static_cast<double>(y), 1};
      double image[3];
      matrix.MatrixVectorMultiply(homography.Rows(), position, image, 3, 3);
      const double u = image[0] / image[2], v = image[1] / image[2];
      if (!(u >= 0 && u < photo.GetWidth() && v >= 0 && v < photo.GetHeight())) continue;
      const int i = static_cast<int>(std::trunc(u)), j = static_cast<int>(std::trunc(v));
      unsigned char p00[3], p01[3], p11[3], p10[3];
      if (!photo.GetPixel(i, j, p00) || !photo.GetPixel(i, j + 1, p01) || !photo.GetPixel(i + 1, j + 1, p11) ||
          !photo.GetPixel(i + 1, j, p10))
        continue;
      for (int c = 0; c < 3; ++c) {
        const double value = matrix.BilinearInterpolate(u - i, v - j, p00[c], p10[c], p01[c], p11[c]);
        texture[(static_cast<size_t>(y) * W + x) * 3 + c] = static_cast<unsigned char>(std::trunc(value + 0.5));
      }
    }
  return texture;
}

std::vector<unsigned char> Bytes(const CPixelImage& image) {
  return std::vector<unsigned char>(image.pixels.get(), image.pixels.get() + image.ByteCount());
}

TEST(Rectification, AnAxisAlignedBoxIsATranslation) {
  CScriptedServices services;
  auto photo = Photograph(120, 70, [](int x, int y) {
    return std::array<unsigned char, 3>{static_cast<unsigned char>(x), static_cast<unsigned char>(y),
                                        static_cast<unsigned char>(x ^ y)};
  });
  const double U[4] = {10, 110, 110, 10}, V[4] = {10, 10, 60, 60};
  const CPixelImage texture = RectifyTexture(*photo, U, V, 101, 51);
  ASSERT_TRUE(texture.pixels);
  for (int y = 0; y < 51; ++y)
    for (int x = 0; x < 101; ++x) {
      const unsigned char* t = texture.pixels.get() + (y * 101 + x) * 3;
      ASSERT_EQ(t[0], x + 10) << x << ", " << y;
      ASSERT_EQ(t[1], y + 10) << x << ", " << y;
      ASSERT_EQ(t[2], (x + 10) ^ (y + 10)) << x << ", " << y;
    }
  EXPECT_TRUE(services.messages.empty());
}

TEST(SampleBilinear, RoundsHalfUpAndNeedsAllFourNeighbours) {
  auto photo = Photograph(4, 3, [](int x, int) {
    const unsigned char values[4] = {127, 128, 254, 255};
    return std::array<unsigned char, 3>{values[x], values[x], values[x]};
  });
  unsigned char out[3] = {9, 9, 9};
  ASSERT_EQ(photo->SampleBilinear(out, 0.5, 0), 1);
  EXPECT_EQ(out[0], 128);  // 127.5
  ASSERT_EQ(photo->SampleBilinear(out, 2.4, 1.25), 1);
  EXPECT_EQ(out[0], 254);  // 254.4
  out[0] = 9;
  EXPECT_EQ(photo->SampleBilinear(out, 3.0, 1), 0);  // the last column
  EXPECT_EQ(photo->SampleBilinear(out, 3.99, 1), 0);
  EXPECT_EQ(photo->SampleBilinear(out, 1, 2.0), 0);  // the top row
  EXPECT_EQ(photo->SampleBilinear(out, -0.01, 1), 0);
  EXPECT_EQ(photo->SampleBilinear(out, std::nan(""), 1), 0);
  EXPECT_EQ(out[0], 9);
  EXPECT_EQ(photo->GetPixel(3, 2, out), 1);
  EXPECT_EQ(photo->GetPixel(4, 0, out), 0);
  EXPECT_EQ(photo->GetPixel(0, -1, out), 0);
}

struct CRandomCase {
  int photoWidth, photoHeight, textureWidth, textureHeight;
};

class RectificationMatchesTheReference : public ::testing::TestWithParam<CRandomCase> {};

TEST_P(RectificationMatchesTheReference, ByteForByte) {
  CScriptedServices services;
  const CRandomCase c = GetParam();
  std::mt19937 random(c.photoWidth * 7 + c.textureWidth);
  auto photo = RandomPhotograph(random, c.photoWidth, c.photoHeight);
  std::uniform_real_distribution<double> spread(-0.3, 1.3);  // corners may fall outside the photograph
  for (int trial = 0; trial < 20; ++trial) {
    double U[4], V[4];
    for (int k = 0; k < 4; ++k) U[k] = spread(random) * c.photoWidth, V[k] = spread(random) * c.photoHeight;
    if (trial == 0) {  // a plain rectangle inside, up to the last column and row
      U[0] = U[3] = 0, U[1] = U[2] = c.photoWidth - 1.0, V[0] = V[1] = 0, V[2] = V[3] = c.photoHeight - 1.0;
    }
    double M[3][3];
    FitTextureHomography(U, V, c.textureWidth, c.textureHeight, M);
    const CPixelImage texture = RectifyTexture(*photo, U, V, c.textureWidth, c.textureHeight);
    ASSERT_TRUE(texture.pixels);
    const std::vector<unsigned char> expected = ReferenceTexture(*photo, M, c.textureWidth, c.textureHeight);
    ASSERT_TRUE(Bytes(texture) == expected) << "trial " << trial;
    // The path for processors without vector instructions too.
    std::vector<unsigned char> plain(expected.size(), 99);
    const CRectificationSource source{photo->m_pPixels.get(), photo->GetWidth(), photo->GetHeight()};
    for (int y = 0; y < c.textureHeight; ++y)
      SampleTextureRowPlain(source, M, y, 0, c.textureWidth, plain.data() + 3 * static_cast<size_t>(y) * c.textureWidth);
    ASSERT_TRUE(plain == expected) << "plain, trial " << trial;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, RectificationMatchesTheReference,
                         ::testing::Values(CRandomCase{64, 48, 37, 29}, CRandomCase{641, 481, 300, 200},
                                           CRandomCase{2, 2, 5, 5}, CRandomCase{1, 1, 3, 3}, CRandomCase{7, 3, 1, 1},
                                           CRandomCase{97, 5, 203, 2}));

struct CKernelCase {
  const char* name;
  CRowKernel kernel;
};

class EveryRowKernel : public ::testing::TestWithParam<CKernelCase> {};

// Each vector kernel on its own, over whole rows and over row pieces whose ends fall between its
// vector steps, against the per-pixel reference.
TEST_P(EveryRowKernel, MatchesTheReferenceOnWholeRowsAndPieces) {
  CScriptedServices services;
  const CKernelCase k = GetParam();
  if (!RowKernelRuns(k.kernel)) GTEST_SKIP() << k.name << " does not run on this processor";
  std::mt19937 random(17);
  for (const CRandomCase& c : {CRandomCase{64, 48, 37, 29}, CRandomCase{641, 481, 203, 133},
                               CRandomCase{2, 2, 19, 5}, CRandomCase{97, 5, 203, 2}}) {
    auto photo = RandomPhotograph(random, c.photoWidth, c.photoHeight);
    const CRectificationSource source{photo->m_pPixels.get(), photo->GetWidth(), photo->GetHeight()};
    std::uniform_real_distribution<double> spread(-0.3, 1.3);
    for (int trial = 0; trial < 10; ++trial) {
      double U[4], V[4];
      for (int j = 0; j < 4; ++j) U[j] = spread(random) * c.photoWidth, V[j] = spread(random) * c.photoHeight;
      if (trial == 0) {  // a shift by half a pixel: blends that end exactly on .5 and must round up
        const double right = c.textureWidth - 0.5, top = c.textureHeight - 0.5;
        U[0] = U[3] = 0.5, U[1] = U[2] = right, V[0] = V[1] = 0.5, V[2] = V[3] = top;
      }
      double M[3][3];
      FitTextureHomography(U, V, c.textureWidth, c.textureHeight, M);
      const std::vector<unsigned char> expected = ReferenceTexture(*photo, M, c.textureWidth, c.textureHeight);
      std::vector<unsigned char> texture(expected.size(), 99);
      for (int y = 0; y < c.textureHeight; ++y) {
        unsigned char* row = texture.data() + 3 * static_cast<size_t>(y) * c.textureWidth;
        const int split = (y * 7 + trial) % (c.textureWidth + 1);  // two pieces, any split
        SampleTextureRowWith(k.kernel, source, M, y, 0, split, row);
        SampleTextureRowWith(k.kernel, source, M, y, split, c.textureWidth, row);
      }
      ASSERT_TRUE(texture == expected) << k.name << ", photograph " << c.photoWidth << " x " << c.photoHeight
                                       << ", trial " << trial;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, EveryRowKernel,
                         ::testing::Values(CKernelCase{"Plain", CRowKernel::kPlain},
                                           CKernelCase{"Avx2", CRowKernel::kAvx2},
                                           CKernelCase{"Avx512", CRowKernel::kAvx512}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Rectification, AnyNumberOfThreadsGivesTheSameBytes) {
  CScriptedServices services;
  std::mt19937 random(29);
  auto photo = RandomPhotograph(random, 900, 700);
  const double U[4] = {-40, 870, 800, 60}, V[4] = {30, 10, 720, 650};  // two corners outside
  const int W = 911, H = 711;  // large enough for a second thread, not a whole number of tiles
  double M[3][3];
  FitTextureHomography(U, V, W, H, M);
  const std::vector<unsigned char> expected = ReferenceTexture(*photo, M, W, H);
  for (int threads : {1, 2, 3, kAnyThreadCount}) {
    const CPixelImage texture = RectifyTexture(*photo, U, V, W, H, threads);
    ASSERT_TRUE(texture.pixels);
    EXPECT_TRUE(Bytes(texture) == expected) << threads << " threads";
  }
}

TEST(Rectification, DegenerateFacesGiveBlackTexturesWithoutReadingAnywhere) {
  CScriptedServices services;
  std::mt19937 random(3);
  auto photo = RandomPhotograph(random, 50, 40);
  const double same[4] = {10, 10, 10, 10};
  const double nan = std::nan("");
  const double notANumber[4] = {nan, 5, 5, 5};
  for (const double* U : {same, notANumber}) {
    const CPixelImage texture = RectifyTexture(*photo, U, same, 6, 4);
    ASSERT_TRUE(texture.pixels);
  }
  auto empty = std::make_unique<CSingleImage>("");
  empty->m_nWidth = 30, empty->m_nHeight = 30;  // sizes without pixels
  const double U[4] = {0, 20, 20, 0}, V[4] = {0, 0, 20, 20};
  const CPixelImage texture = RectifyTexture(*empty, U, V, 21, 21);
  for (unsigned char byte : Bytes(texture)) ASSERT_EQ(byte, 0);
}

}  // namespace
