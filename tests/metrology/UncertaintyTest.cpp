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

// The plain first-order propagation: central differences of the whole chain, position by
// position, segments included. Independent of the analytic part, and quadratic in the segments.
std::array<double, 3> SigmaByDifferencesThroughTheWholeChain(const CChainInputs& chain, const CPointProvenance& point) {
  constexpr double kStep = 1e-2;
  std::vector<double> positions = ChainPositions(chain, point);
  const size_t ownFootAndTop = positions.size() - 6;
  std::array<double, 3> variance = {0, 0, 0};
  for (size_t i = 0; i < positions.size(); ++i) {
    if (!point.heightFromSegment && i >= ownFootAndTop && i < ownFootAndTop + 4) continue;
    const double original = positions[i];
    positions[i] = original + kStep;
    const auto above = MeasureAtPositions(chain, point, positions);
    positions[i] = original - kStep;
    const auto below = MeasureAtPositions(chain, point, positions);
    positions[i] = original;
    for (int k = 0; k < 3; ++k) variance[k] += std::pow((above[k] - below[k]) / (2 * kStep), 2);
  }
  std::array<double, 3> deviation;
  for (int k = 0; k < 3; ++k) deviation[k] = kImagePositionSigma * std::sqrt(variance[k]);
  return deviation;
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

TEST(Uncertainty, AgreesWithDifferencesThroughTheWholeChain) {
  // Both are first-order propagations of the same chain. The chain's SVD stops at a relative
  // tolerance of 1e-7, so the vanishing points the differences see follow the exact least-squares
  // points (differentiated analytically) only to about 1e-8 rad: the two agree to a few 1e-6
  // (to 2e-7 with an SVD run to the last bit).
  constexpr double kRelativeAgreement = 1e-5;
  std::mt19937 random(31);
  for (int scene = 0; scene < 6; ++scene) {
    const CSyntheticScene synthetic = CSyntheticScene::Random(random, 1024 + 512 * (scene % 3), 768, scene % 2 == 0);
    const CChainInputs chain = ChainOf(synthetic);
    for (const auto& corner : synthetic.Corners()) {
      const CPointProvenance point = CornerPoint(synthetic, corner);
      const auto propagated = PropagatePointUncertainty(chain, point);
      ASSERT_TRUE(propagated);
      const auto reference = SigmaByDifferencesThroughTheWholeChain(chain, point);
      for (int k = 0; k < 3; ++k) {
        if (reference[k] == 0) {
          EXPECT_EQ((*propagated)[k], 0.0);
          continue;
        }
        const double relative = std::fabs((*propagated)[k] / reference[k] - 1);
        EXPECT_LT(relative, kRelativeAgreement)
            << "scene " << scene << " corner (" << corner[0] << ", " << corner[1] << ", " << corner[2]
            << ") coordinate " << k << ": propagated " << (*propagated)[k] << ", by differences " << reference[k];
      }
    }
  }
}

}  // namespace
