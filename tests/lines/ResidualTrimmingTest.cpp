#include "lines/ResidualTrimming.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr double kDegree = std::numbers::pi / 180;

// A segment of length 100 whose midpoint is (mx, my) and which is turned by `degrees` from the
// line towards the vanishing point.
CImageSegment TurnedFrom(const std::array<double, 3>& point, double mx, double my, double degrees) {
  double tx = point[0] - mx * point[2], ty = point[1] - my * point[2];
  const double norm = std::hypot(tx, ty);
  tx /= norm;
  ty /= norm;
  const double c = std::cos(degrees * kDegree), s = std::sin(degrees * kDegree);
  const double dx = 50 * (c * tx - s * ty), dy = 50 * (s * tx + c * ty);
  return {mx - dx, my - dy, mx + dx, my + dy};
}

TEST(ResidualAngle, IsTheTurnFromTheLineToAFiniteOrInfiniteVanishingPoint) {
  const std::array<double, 3> points[] = {{800, -300, 1}, {-2.4, 0.9, -0.003}, {1, 0, 0}, {0.6, -0.8, 0}};
  const double turns[] = {0, 0.3, -0.7, 5, -45, 89};
  for (const auto& point : points)
    for (double turn : turns) {
      const CImageSegment segment = TurnedFrom(point, -120, 75, turn);
      EXPECT_NEAR(ResidualAngleDegrees(segment, point), std::fabs(turn), 1e-9)
          << "point (" << point[0] << ", " << point[1] << ", " << point[2] << "), turn " << turn;
      // Neither the scale nor the sign of the homogeneous point matters.
      const std::array<double, 3> scaled = {-3 * point[0], -3 * point[1], -3 * point[2]};
      EXPECT_NEAR(ResidualAngleDegrees(segment, scaled), std::fabs(turn), 1e-9);
    }
}

TEST(TrimByResidual, FlagsTheSegmentsAboveTheThresholdForPlainAndStoredSegments) {
  const std::array<double, 3> point = {900, 40, 1};
  const double turns[] = {0.1, -0.49, 0.51, -2, 0};
  std::vector<CImageSegment> segments;
  CSegmentList stored;
  for (size_t k = 0; k < std::size(turns); ++k) {
    segments.push_back(TurnedFrom(point, 30.0 * k, -20.0 * k, turns[k]));
    auto* record = new CLineEndPoints;
    record->m_Point1[0] = segments.back().x1;
    record->m_Point1[1] = segments.back().y1;
    record->m_Point2[0] = segments.back().x2;
    record->m_Point2[1] = segments.back().y2;
    stored.Add(record);
  }
  const std::vector<bool> expected = {false, false, true, true, false};
  for (const CResidualTrim& trim : {TrimByResidual(segments, point), TrimByResidual(stored, point)}) {
    EXPECT_EQ(trim.exceeds, expected);
    EXPECT_EQ(trim.exceeding, 2);
    ASSERT_EQ(trim.residualDegrees.size(), std::size(turns));
    for (size_t k = 0; k < std::size(turns); ++k) EXPECT_NEAR(trim.residualDegrees[k], std::fabs(turns[k]), 1e-9);
  }
  EXPECT_EQ(TrimByResidual(segments, point, 1.0).exceeding, 1);
  stored.RemoveAll();
}

}  // namespace
