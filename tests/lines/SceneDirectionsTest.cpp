#include "lines/SceneDirections.h"

#include "LineScenes.h"
#include "image/Bmp.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
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

std::array<double, 3> Cross(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// The sample scene of examples/, rendered by another program (scripts/render-sample.py, with a
// tiled floor): its truth file gives the exact image positions of the box corners, from which
// the true vanishing points follow as crossings of box edges, and the camera's focal length.
TEST(FindSceneDirections, SampleSceneFindsTheVanishingPointsOfItsTruthFile) {
  const std::string folder = PELORIN_SOURCE_DIR "/examples/";
  const CBmpReadResult read = ReadBmpFile(folder + "sample-scene.bmp");
  ASSERT_TRUE(read.Succeeded()) << read.reason;
  const int width = read.image.width, height = read.image.height;

  std::ifstream truthFile(folder + "sample-scene-truth.txt");
  ASSERT_TRUE(truthFile);
  std::map<std::string, std::array<double, 3>> corners;  // homogeneous centred positions
  double focal = 0;
  for (std::string line; std::getline(truthFile, line);) {
    std::istringstream words(line);
    std::string kind, name, word;
    words >> kind;
    if (kind == "corner") {
      double X, Y, Z, x, y;
      words >> name >> X >> Y >> Z >> x >> y;
      corners[name] = {x - width / 2.0, y - height / 2.0, 1};
    } else if (kind == "camera") {
      while (words >> word && word != "focal") {}
      words >> focal;
    }
  }
  ASSERT_GT(focal, 0);
  // Edges of box A: A<x><y><z>, 0 or 1 for its low or high X, Y and Z.
  const auto crossing = [&](const char* a1, const char* a2, const char* b1, const char* b2) {
    return Cross(Cross(corners.at(a1), corners.at(a2)), Cross(corners.at(b1), corners.at(b2)));
  };
  const std::array<double, 3> truth[3] = {crossing("A000", "A100", "A001", "A101"),
                                          crossing("A000", "A010", "A001", "A011"),
                                          crossing("A000", "A001", "A100", "A101")};
  const auto rayAngle = [focal](const std::array<double, 3>& p, const std::array<double, 3>& q) {
    const std::array<double, 3> a = {p[0], p[1], focal * p[2]}, b = {q[0], q[1], focal * q[2]};
    const std::array<double, 3> c = Cross(a, b);
    return std::atan2(std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]),
                      std::fabs(a[0] * b[0] + a[1] * b[1] + a[2] * b[2])) * 180 / std::numbers::pi;
  };

  const CSceneDirections found = FindSceneDirections({read.image.pixels.get(), width, height}, std::nullopt);
  const CSegmentGrouping& grouping = found.grouping;
  for (const CDirectionGroup& direction : grouping.directions) ASSERT_TRUE(direction.found) << direction.message;
  EXPECT_LT(rayAngle(grouping.directions[kVertical].vanishingPoint, truth[2]), kToleranceDegrees);
  const std::array<double, 3>& first = grouping.directions[kFirstGround].vanishingPoint;
  const std::array<double, 3>& second = grouping.directions[kSecondGround].vanishingPoint;
  const bool firstIsX = rayAngle(first, truth[0]) < rayAngle(first, truth[1]);
  EXPECT_LT(rayAngle(first, truth[firstIsX ? 0 : 1]), kToleranceDegrees);
  EXPECT_LT(rayAngle(second, truth[firstIsX ? 1 : 0]), kToleranceDegrees);
}

}  // namespace
