// The whole chain on photographs made from a known camera: segments → vanishing points →
// reference parameters → X and Y at a height, heights, image positions. Every answer is known
// from the camera, and every sign of each vanishing point must give the same measurements.

#include "MetrologyExamples.h"
#include "ScriptedServices.h"
#include "SyntheticReference.h"
#include "SyntheticScene.h"
#include "metrology/PointMeasurement.h"
#include "metrology/ReferenceParameters.h"
#include "metrology/VanishingPoints.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

// What the chain must reach: the SVD's negligibility tolerance of 1e-7 bounds the vanishing
// points, and through them every measurement.
constexpr double kChainAccuracy = 1e-6;

struct CChainErrors {
  double xy = 0, height = 0, image = 0;
  double Worst() const { return std::max({xy, height, image}); }
};

class CSegmentLists {
 public:
  CSegmentLists(const CSingleImage& model, const CSyntheticScene& scene) {
    for (int axis = 0; axis < 3; ++axis)
      for (const CPixelSegment& s : scene.EdgesAlong(axis)) m_lists[axis].Add(MakeSegment(model, s[0], s[1], s[2], s[3]));
  }
  ~CSegmentLists() {
    for (CSegmentList& list : m_lists) list.RemoveAll();
  }
  const CSegmentList& operator[](int axis) const { return m_lists[axis]; }

 private:
  CSegmentList m_lists[3];
};

// Runs the chain with the vanishing points' signs flipped as given, and measures every corner.
CChainErrors MeasureScene(const CSyntheticScene& scene, double svdTolerance, const int signs[3]) {
  auto model = EmptyPhotograph(scene.Width(), scene.Height());
  const CSegmentLists lists(*model, scene);
  double* vanishing[3] = {model->m_Vx, model->m_Vy, model->m_Vz};
  for (int axis = 0; axis < 3; ++axis) {
    const std::array<double, 3> point = EstimateVanishingPoint(lists[axis], svdTolerance);
    for (int i = 0; i < 3; ++i) vanishing[axis][i] = signs[axis] * point[i];
  }

  CReferenceFields f = SyntheticReference(scene);
  EXPECT_EQ(CalculateReferenceScales(*model, f), "");
  StoreReferenceParameters(*model, f.m_a, f.m_b, f.m_A, f.m_WorldOriginU, f.m_WorldOriginV);

  CChainErrors errors;
  const double diagonal = std::hypot(scene.Width(), scene.Height());
  for (const auto& [X, Y, Z] : scene.Corners()) {
    const auto pixel = scene.Pixel(X, Y, Z);
    CPointFields p;
    p.m_U = pixel[0], p.m_V = pixel[1], p.m_Z = Z;
    EXPECT_EQ(CalculateXY(*model, p), "");
    errors.xy = std::max(errors.xy, std::max(std::fabs(p.m_X - X), std::fabs(p.m_Y - Y)) / scene.Extent());

    CPointFields image;
    image.m_X = X, image.m_Y = Y, image.m_Z = Z;
    EXPECT_EQ(CalculateImagePosition(*model, image), "");
    errors.image = std::max(errors.image, std::hypot(image.m_bU - pixel[0], image.m_bV - pixel[1]) / diagonal);

    if (Z == 0) continue;
    const auto footPixel = scene.Pixel(X, Y, 0);
    CPointFields height;
    height.m_bU = footPixel[0], height.m_bV = footPixel[1], height.m_tU = pixel[0], height.m_tV = pixel[1];
    EXPECT_EQ(CalculateZ(*model, height), "");
    errors.height = std::max(errors.height, std::fabs(height.m_Z - Z) / Z);
  }
  return errors;
}

struct CSceneKind {
  const char* name;
  int width, height;
  bool level;
};

void PrintTo(const CSceneKind& kind, std::ostream* out) { *out << kind.name; }

class SyntheticChain : public ::testing::TestWithParam<CSceneKind> {};

TEST_P(SyntheticChain, RecoversTheWorldForEverySignOfTheVanishingPoints) {
  CScriptedServices services;
  const CSceneKind kind = GetParam();
  std::mt19937 random(kind.width * 31 + kind.level);
  double worst = 0, worstTight = 0;
  for (int trial = 0; trial < 25; ++trial) {
    const CSyntheticScene scene = CSyntheticScene::Random(random, kind.width, kind.height, kind.level);
    for (int flips = 0; flips < 8; ++flips) {
      const int signs[3] = {flips & 1 ? -1 : 1, flips & 2 ? -1 : 1, flips & 4 ? -1 : 1};
      const CChainErrors errors = MeasureScene(scene, kVanishingPointSvdTolerance, signs);
      EXPECT_LE(errors.xy, kChainAccuracy) << kind.name << " trial " << trial << " signs " << flips;
      EXPECT_LE(errors.height, kChainAccuracy) << kind.name << " trial " << trial << " signs " << flips;
      EXPECT_LE(errors.image, kChainAccuracy) << kind.name << " trial " << trial << " signs " << flips;
      worst = std::max(worst, errors.Worst());
    }
    const int plain[3] = {1, 1, 1};
    worstTight = std::max(worstTight, MeasureScene(scene, 1e-15, plain).Worst());
  }
  EXPECT_TRUE(services.messages.empty());
  std::printf("%s: worst relative error %.3g with the SVD at tol 1e-7, %.3g at tol 1e-15\n", kind.name, worst, worstTight);
  RecordProperty("worst_relative_error", std::to_string(worst));
}

INSTANTIATE_TEST_SUITE_P(Cameras, SyntheticChain,
                         ::testing::Values(CSceneKind{"Tilted640x480", 640, 480, false},
                                           CSceneKind{"Level640x480", 640, 480, true},
                                           CSceneKind{"Tilted641x481", 641, 481, false},
                                           CSceneKind{"Level641x481", 641, 481, true},
                                           CSceneKind{"Level1023x767", 1023, 767, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SyntheticChain, APointBelowTheGroundHasANegativeHeight) {
  CScriptedServices services;
  std::mt19937 random(5);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 800, 600, true);
  const int signs[3] = {1, -1, -1};
  auto model = EmptyPhotograph(scene.Width(), scene.Height());
  const CSegmentLists lists(*model, scene);
  ASSERT_EQ(CalculateVanishingPoints(*model, lists[0], lists[1], lists[2]), "");
  for (int i = 0; i < 3; ++i) model->m_Vy[i] *= signs[1], model->m_Vz[i] *= signs[2];
  CReferenceFields f;
  const auto origin = scene.Pixel(0, 0, 0), ground = scene.Pixel(2, -1.5, 0);
  const auto foot = scene.Pixel(1, 1, 0), top = scene.Pixel(1, 1, 2);
  f.m_WorldOriginU = origin[0], f.m_WorldOriginV = origin[1];
  f.m_PointX = 2, f.m_PointY = -1.5, f.m_PointU = ground[0], f.m_PointV = ground[1];
  f.m_bU = foot[0], f.m_bV = foot[1], f.m_tU = top[0], f.m_tV = top[1], f.m_ZValue = 2;
  CalculateReferenceScales(*model, f);
  StoreReferenceParameters(*model, f.m_a, f.m_b, f.m_A, f.m_WorldOriginU, f.m_WorldOriginV);
  const auto cellarFoot = scene.Pixel(0.5, 0.5, 0), cellar = scene.Pixel(0.5, 0.5, -1.25);
  CPointFields p;
  p.m_bU = cellarFoot[0], p.m_bV = cellarFoot[1], p.m_tU = cellar[0], p.m_tV = cellar[1];
  CalculateZ(*model, p);
  EXPECT_NEAR(p.m_Z, -1.25, 1.25 * kChainAccuracy);
}

}  // namespace
