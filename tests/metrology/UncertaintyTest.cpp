// The propagated standard deviations of measured points against a Monte Carlo run of the same
// chain: the same image-position noise drawn many times, every measurement made again.

#include "SyntheticReference.h"
#include "SyntheticScene.h"
#include "metrology/Uncertainty.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kDraws = 2000;
constexpr double kAgreement = 0.10;

CChainInputs ChainOf(const CSyntheticScene& scene) {
  CChainInputs chain;
  chain.width = scene.Width(), chain.height = scene.Height();
  for (int axis = 0; axis < 3; ++axis) chain.segments[axis] = scene.EdgesAlong(axis);
  chain.reference = SyntheticReference(scene);
  return chain;
}

// Ground corners with Z typed as 0; top corners by their height above the ground corner below.
CPointProvenance CornerPoint(const CSyntheticScene& scene, const std::array<double, 3>& corner) {
  const auto [X, Y, Z] = corner;
  CPointProvenance p;
  const auto at = scene.Pixel(X, Y, Z);
  p.U = at[0], p.V = at[1];
  if (Z != 0) {
    const auto foot = scene.Pixel(X, Y, 0);
    p.heightFromSegment = true;
    p.bU = foot[0], p.bV = foot[1], p.tU = at[0], p.tV = at[1];
  }
  return p;
}

TEST(Uncertainty, TheChainReproducesTheSceneWithoutNoise) {
  std::mt19937 random(7);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 1024, 768, true);
  const CChainInputs chain = ChainOf(scene);
  for (const auto& corner : scene.Corners()) {
    const auto measured = MeasureThroughChain(chain, CornerPoint(scene, corner));
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(measured[k], corner[k], 1e-6 * scene.Extent());
  }
}

TEST(Uncertainty, PropagationAgreesWithMonteCarlo) {
  std::mt19937 random(2026);
  for (bool level : {true, false}) {
    const CSyntheticScene scene = CSyntheticScene::Random(random, 1024, 768, level);
    const CChainInputs chain = ChainOf(scene);
    std::normal_distribution<double> noise(0, kImagePositionSigma);
    for (const auto& corner : scene.Corners()) {
      const CPointProvenance point = CornerPoint(scene, corner);
      const auto propagated = PropagatePointUncertainty(chain, point);
      ASSERT_TRUE(propagated);

      const std::vector<double> exact = ChainPositions(chain, point);
      const auto centre = MeasureThroughChain(chain, point);
      double sum[3] = {}, squares[3] = {};
      for (int draw = 0; draw < kDraws; ++draw) {
        std::vector<double> noisy = exact;
        for (double& position : noisy) position += noise(random);
        const auto measured = MeasureAtPositions(chain, point, noisy);
        for (int k = 0; k < 3; ++k) {
          const double d = measured[k] - centre[k];
          sum[k] += d, squares[k] += d * d;
        }
      }
      for (int k = 0; k < 3; ++k) {
        const double mean = sum[k] / kDraws;
        const double sampled = std::sqrt((squares[k] - kDraws * mean * mean) / (kDraws - 1));
        if (k == 2 && !point.heightFromSegment) {
          EXPECT_EQ((*propagated)[k], 0.0);  // a typed height is exact
          EXPECT_EQ(sampled, 0.0);
          continue;
        }
        EXPECT_NEAR((*propagated)[k] / sampled, 1.0, kAgreement)
            << "level " << level << " corner (" << corner[0] << ", " << corner[1] << ", " << corner[2]
            << ") coordinate " << k << ": propagated " << (*propagated)[k] << ", sampled " << sampled;
      }
    }
  }
}

}  // namespace
