#include "lines/SceneDirections.h"

#include "LineScenes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// How close a detected vanishing point must come to the truth: the angle between the two
// viewing rays, through the detected and through the true point, at the camera centre.
constexpr double kToleranceDegrees = 0.1;

// A camera-like photograph: soft edges, noise of 2 grey levels, JPEG at quality 90.
CRenderSettings CameraLike() {
  CRenderSettings settings;
  settings.blurSigma = 1.0;
  settings.noiseSigma = 2;
  settings.jpegQuality = 90;
  return settings;
}

struct Case {
  const char* name;
  CRenderedScene (*make)(int width, int height);
  bool hasSecondGround;
};

class FindSceneDirectionsIn : public ::testing::TestWithParam<Case> {};

TEST_P(FindSceneDirectionsIn, RenderedPhotographFindsTheTrueVanishingPointsOrSaysWhichIsMissing) {
  const Case& c = GetParam();
  const CRenderedScene scene = c.make(1024, 768);
  const CPixelImage image = scene.Render(CameraLike());
  const CSceneDirections found = FindSceneDirections({image.pixels.get(), image.width, image.height}, std::nullopt);
  ASSERT_FALSE(found.cancelled);
  const CSegmentGrouping& grouping = found.grouping;

  const CDirectionGroup& vertical = grouping.directions[kVertical];
  ASSERT_TRUE(vertical.found) << c.name << ": " << vertical.message;
  EXPECT_LT(scene.RayAngleDegrees(vertical.vanishingPoint, scene.VanishingPoint(2)), kToleranceDegrees) << c.name;

  // The ground directions come in the order of their support; each must be one of X and Y.
  int matchedAxis[2] = {-1, -1};
  for (int slot : {kFirstGround, kSecondGround}) {
    const CDirectionGroup& ground = grouping.directions[slot];
    if (!ground.found) continue;
    const double toX = scene.RayAngleDegrees(ground.vanishingPoint, scene.VanishingPoint(0));
    const double toY = scene.RayAngleDegrees(ground.vanishingPoint, scene.VanishingPoint(1));
    matchedAxis[slot] = toX < toY ? 0 : 1;
    EXPECT_LT(std::min(toX, toY), kToleranceDegrees) << c.name << ": ground direction " << slot;
    EXPECT_GE(ground.Count(), CGroupingOptions{}.minimumSegments);
  }
  ASSERT_TRUE(grouping.directions[kFirstGround].found) << c.name << ": " << grouping.directions[kFirstGround].message;
  const CDirectionGroup& second = grouping.directions[kSecondGround];
  if (c.hasSecondGround) {
    ASSERT_TRUE(second.found) << c.name << ": " << second.message;
    EXPECT_NE(matchedAxis[0], matchedAxis[1]) << c.name;
  } else {
    EXPECT_FALSE(second.found) << c.name << ": found " << second.Count() << " segments";
    EXPECT_TRUE(second.segments.empty());
    EXPECT_NE(second.message.find("Too few segments"), std::string::npos) << second.message;
    for (int label : grouping.labels) EXPECT_NE(label, kSecondGround);
  }
}

INSTANTIATE_TEST_SUITE_P(Scenes, FindSceneDirectionsIn,
                         ::testing::Values(Case{"ThreeBoxes", ThreeBoxes, true}, Case{"LevelFacade", LevelFacade, true},
                                           Case{"LoneWall", LoneWall, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
