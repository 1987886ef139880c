// The world axes drawn at the origin: their directions against where the camera puts points a
// little way along each axis, for every sign the vanishing points may come with.

#include "MetrologyExamples.h"
#include "SyntheticReference.h"
#include "SyntheticScene.h"
#include "metrology/ReferenceParameters.h"
#include "metrology/VanishingPoints.h"
#include "metrology/WorldAxes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// A step along an axis small against the scene (12 to 20 units away) and large against rounding.
constexpr double kStep = 1e-5;
// The step's own curvature and the vanishing points' SVD tolerance bound the directions' error.
constexpr double kDirectionAccuracy = 1e-4;

TEST(WorldAxesInImage, NoneBeforeTheReferenceParameters) {
  auto model = EmptyPhotograph(640, 480);
  EXPECT_FALSE(WorldAxesInImage(*model).has_value());
}

TEST(WorldAxesInImage, EachAxisLeavesTheOriginWhereTheCameraPutsItsPoints) {
  std::mt19937 random(20);
  for (int sceneNumber = 0; sceneNumber < 4; ++sceneNumber) {
    const CSyntheticScene scene = CSyntheticScene::Random(random, 1024, 768, sceneNumber % 2 == 0);
    for (int signs = 0; signs < 8; ++signs) {
      auto model = EmptyPhotograph(scene.Width(), scene.Height());
      double* vanishing[3] = {model->m_Vx, model->m_Vy, model->m_Vz};
      for (int axis = 0; axis < 3; ++axis) {
        CSegmentList lines;
        for (const CPixelSegment& s : scene.EdgesAlong(axis)) lines.Add(MakeSegment(*model, s[0], s[1], s[2], s[3]));
        const std::array<double, 3> point = EstimateVanishingPoint(lines, kVanishingPointSvdTolerance);
        lines.RemoveAll();
        const double sign = (signs >> axis) & 1 ? -1.0 : 1.0;
        for (int i = 0; i < 3; ++i) vanishing[axis][i] = sign * point[i];
      }
      CReferenceFields f = SyntheticReference(scene);
      ASSERT_EQ(CalculateReferenceScales(*model, f), "");
      StoreReferenceParameters(*model, f.m_a, f.m_b, f.m_A, f.m_WorldOriginU, f.m_WorldOriginV);

      const std::optional<CWorldAxesImage> axes = WorldAxesInImage(*model);
      ASSERT_TRUE(axes.has_value()) << "scene " << sceneNumber << " signs " << signs;
      const auto origin = scene.Pixel(0, 0, 0);
      EXPECT_NEAR(axes->origin[0], origin[0] - scene.Width() / 2.0, 1e-6);
      EXPECT_NEAR(axes->origin[1], origin[1] - scene.Height() / 2.0, 1e-6);
      for (int axis = 0; axis < 3; ++axis) {
        double world[3] = {0, 0, 0};
        world[axis] = kStep;
        const auto along = scene.Pixel(world[0], world[1], world[2]);
        const double dx = along[0] - origin[0], dy = along[1] - origin[1], length = std::hypot(dx, dy);
        ASSERT_TRUE(axes->direction[axis].has_value()) << "axis " << axis;
        EXPECT_NEAR((*axes->direction[axis])[0], dx / length, kDirectionAccuracy)
            << "scene " << sceneNumber << " signs " << signs << " axis " << axis;
        EXPECT_NEAR((*axes->direction[axis])[1], dy / length, kDirectionAccuracy)
            << "scene " << sceneNumber << " signs " << signs << " axis " << axis;
      }
    }
  }
}

}  // namespace
