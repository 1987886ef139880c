#include "lines/DirectionGrouping.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1000, kHeight = 800;

// Vanishing points in centred positions: two ground directions and the vertical far below.
const std::array<double, 3> kGroundX = {2500, 60, 1};
const std::array<double, 3> kGroundY = {-1800, 90, 1};
const std::array<double, 3> kVerticalZ = {40, -6000, 1};

// Exact segments of random position and length that point at a vanishing point, their
// midpoints in rows lowest..highest.
std::vector<CImageSegment> TowardsPoint(const std::array<double, 3>& point, int count, std::mt19937& random,
                                        double lowest = 50, double highest = kHeight - 50) {
  std::uniform_real_distribution<double> x(50, kWidth - 50), y(lowest, highest), length(40, 200);
  std::vector<CImageSegment> segments;
  for (int k = 0; k < count; ++k) {
    const double mx = x(random), my = y(random), half = length(random) / 2;
    const double tx = point[0] / point[2] + kWidth / 2.0 - mx, ty = point[1] / point[2] + kHeight / 2.0 - my;
    const double norm = std::hypot(tx, ty);
    segments.push_back({mx - half * tx / norm, my - half * ty / norm, mx + half * tx / norm, my + half * ty / norm});
  }
  return segments;
}

bool SamePoint(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  const double na = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
  const double nb = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
  const double cross[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  return std::sqrt(cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2]) / (na * nb) < 1e-9;
}

struct Scene {
  std::vector<CImageSegment> segments;
  std::vector<int> truth;  // the slot each segment belongs to, or kOutlier
};

// 14 segments along X, `alongY` along Y, 12 vertical, and 4 that point nowhere near any of
// the three. Near the horizon (row 460 to 490) a segment agrees with both ground directions;
// when Y has too few segments to be a direction, its segments keep away from there.
Scene MakeScene(int alongY, int vertical = 12) {
  std::mt19937 random(5);
  Scene scene;
  const auto add = [&](const std::vector<CImageSegment>& segments, int slot) {
    for (const CImageSegment& s : segments) {
      scene.segments.push_back(s);
      scene.truth.push_back(slot);
    }
  };
  add(TowardsPoint(kGroundX, 14, random), kFirstGround);
  const bool enough = alongY >= CGroupingOptions{}.minimumSegments;
  add(TowardsPoint(kGroundY, alongY, random, 50, enough ? kHeight - 50 : 300), enough ? kSecondGround : kOutlier);
  add(TowardsPoint(kVerticalZ, vertical, random), kVertical);
  add({{100, 100, 180, 180}, {700, 200, 640, 260}, {300, 600, 330, 652}, {800, 500, 852, 530}}, kOutlier);
  return scene;
}

TEST(GroupSegments, SortsExactSegmentsIntoTheirDirectionsAndFlagsTheRest) {
  const Scene scene = MakeScene(10);
  const CSegmentGrouping grouping = GroupSegments(scene.segments, kWidth, kHeight);
  ASSERT_FALSE(grouping.cancelled);
  const std::array<double, 3> truePoints[3] = {kGroundX, kGroundY, kVerticalZ};
  for (int slot = 0; slot < 3; ++slot) {
    const CDirectionGroup& direction = grouping.directions[slot];
    ASSERT_TRUE(direction.found) << slot << ": " << direction.message;
    EXPECT_TRUE(SamePoint(direction.vanishingPoint, truePoints[slot]))
        << slot << ": " << direction.vanishingPoint[0] / direction.vanishingPoint[2] << ", "
        << direction.vanishingPoint[1] / direction.vanishingPoint[2];
    EXPECT_LT(direction.rmsResidualDegrees, 1e-6);
  }
  ASSERT_EQ(grouping.labels.size(), scene.segments.size());
  for (size_t k = 0; k < scene.segments.size(); ++k) EXPECT_EQ(grouping.labels[k], scene.truth[k]) << "segment " << k;
}

TEST(GroupSegments, ReportsADirectionWithTooFewSegmentsAndSuggestsNothingForIt) {
  const Scene scene = MakeScene(3);
  const CSegmentGrouping grouping = GroupSegments(scene.segments, kWidth, kHeight);
  EXPECT_TRUE(grouping.directions[kFirstGround].found);
  EXPECT_TRUE(grouping.directions[kVertical].found);
  const CDirectionGroup& missing = grouping.directions[kSecondGround];
  EXPECT_FALSE(missing.found);
  EXPECT_TRUE(missing.segments.empty());
  EXPECT_NE(missing.message.find("Too few segments"), std::string::npos) << missing.message;
  for (size_t k = 0; k < scene.segments.size(); ++k) EXPECT_EQ(grouping.labels[k], scene.truth[k]) << "segment " << k;
}

TEST(GroupSegments, SaysSoWhenNoDirectionRunsNearTheImagesUp) {
  const Scene scene = MakeScene(10, 0);
  const CSegmentGrouping grouping = GroupSegments(scene.segments, kWidth, kHeight);
  EXPECT_TRUE(grouping.directions[kFirstGround].found);
  EXPECT_TRUE(grouping.directions[kSecondGround].found);
  EXPECT_FALSE(grouping.directions[kVertical].found);
  EXPECT_NE(grouping.directions[kVertical].message.find("vertical"), std::string::npos);
}

TEST(GroupSegments, TakesASegmentWithoutAPositionAsAnOutlier) {
  Scene scene = MakeScene(10);
  scene.segments.push_back({std::nan(""), 3, 4, 5});
  const CSegmentGrouping grouping = GroupSegments(scene.segments, kWidth, kHeight);
  EXPECT_EQ(grouping.labels.back(), kOutlier);
  for (const CDirectionGroup& direction : grouping.directions) EXPECT_TRUE(direction.found);
}

TEST(GroupSegments, StopsWhenTheCallbackSaysSo) {
  const Scene scene = MakeScene(10);
  const CSegmentGrouping grouping =
      GroupSegments(scene.segments, kWidth, kHeight, {}, [](double fraction) { return fraction < 0.5; });
  EXPECT_TRUE(grouping.cancelled);
  for (const CDirectionGroup& direction : grouping.directions) EXPECT_FALSE(direction.found);
}

TEST(FitVanishingPoint, FindsTheCommonPointOfExactSegmentsFromAFarGuess) {
  std::mt19937 random(9);
  const std::vector<CImageSegment> segments = TowardsPoint(kVerticalZ, 6, random);
  const std::array<double, 3> fitted = FitVanishingPoint(segments, kWidth, kHeight, {0, 1, 0});
  EXPECT_TRUE(SamePoint(fitted, kVerticalZ)) << fitted[0] / fitted[2] << ", " << fitted[1] / fitted[2];
}

}  // namespace
