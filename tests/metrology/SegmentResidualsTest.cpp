// Segment residuals against vanishing points built so that the answer is known by construction
// (a segment turned about its midpoint by a chosen angle, distances by hand geometry), and the σ
// of a vanishing point's direction against a Monte Carlo run of the estimate itself.

#include "metrology/SegmentResiduals.h"

#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kRadiansPerDegree = kPi / 180;
// Residuals are a handful of products and one atan2 away from their inputs.
constexpr double kAngleTolerance = 1e-9;
constexpr double kDistanceTolerance = 1e-9;

std::array<double, 2> Rotated(const std::array<double, 2>& d, double degrees) {
  const double c = std::cos(degrees * kRadiansPerDegree), s = std::sin(degrees * kRadiansPerDegree);
  return {c * d[0] - s * d[1], s * d[0] + c * d[1]};
}

// A segment of half-length `half` with its midpoint at m, pointing at v (finite or at infinity)
// and then turned about m by `turn` degrees: its residual angle is |turn| (folded into 0°–90°)
// and its ends lie half · sin|turn| from the line through m and v.
TEST(SegmentResidual, ASegmentTurnedAboutItsMidpointGivesThatAngle) {
  struct Case {
    const char* name;
    std::array<double, 2> midpoint;
    std::array<double, 3> vanishingPoint;
    double half, turn;
  };
  const Case cases[] = {
      {"on its line", {10, -20}, {900, 300, 1}, 50, 0},
      {"turned 2 degrees", {10, -20}, {900, 300, 1}, 50, 2},
      {"turned -7.5 degrees", {-250, 140}, {900, 300, 1}, 80, -7.5},
      {"negative third component", {-250, 140}, {-1.8, -0.6, -0.002}, 80, 3},
      {"vanishing point beyond its far end", {100, 50}, {-4000, 9000, 1}, 120, 12},
      {"at right angles", {0, 0}, {100, 0, 1}, 3, 90},
      {"vanishing point at infinity", {30, 40}, {0.6, 0.8, 0}, 40, 5},
      {"at infinity, turned back", {30, 40}, {-0.6, -0.8, 0}, 40, -25},
  };
  for (const Case& c : cases) {
    const auto& v = c.vanishingPoint;
    std::array<double, 2> towards = v[2] != 0 ? std::array<double, 2>{v[0] / v[2] - c.midpoint[0], v[1] / v[2] - c.midpoint[1]}
                                              : std::array<double, 2>{v[0], v[1]};
    const double length = std::hypot(towards[0], towards[1]);
    const std::array<double, 2> d = Rotated({c.half * towards[0] / length, c.half * towards[1] / length}, c.turn);
    const std::array<double, 2> first = {c.midpoint[0] - d[0], c.midpoint[1] - d[1]};
    const std::array<double, 2> second = {c.midpoint[0] + d[0], c.midpoint[1] + d[1]};
    const auto residual = CentredSegmentResidual(first, second, v);
    ASSERT_TRUE(residual) << c.name;
    EXPECT_NEAR(residual->angleDegrees, std::fabs(c.turn), kAngleTolerance) << c.name;
    EXPECT_NEAR(residual->distancePixels, c.half * std::sin(std::fabs(c.turn) * kRadiansPerDegree), kDistanceTolerance)
        << c.name;
    // Drawn the other way round, it is the same segment.
    const auto reversed = CentredSegmentResidual(second, first, v);
    ASSERT_TRUE(reversed) << c.name;
    EXPECT_NEAR(reversed->angleDegrees, residual->angleDegrees, kAngleTolerance) << c.name;
  }
}

TEST(SegmentResidual, DistancesByHandGeometry) {
  // Horizontal lines meet at infinity: the line through the midpoint (5, 1) is y = 1, both ends
  // lie 1 pixel from it, and the segment rises 2 in 10.
  auto residual = CentredSegmentResidual({0, 0}, {10, 2}, {1, 0, 0});
  ASSERT_TRUE(residual);
  EXPECT_NEAR(residual->distancePixels, 1, kDistanceTolerance);
  EXPECT_NEAR(residual->angleDegrees, std::atan2(2, 10) / kRadiansPerDegree, kAngleTolerance);
  // The line from the midpoint (0, 0) to (100, 0) is y = 0; a vertical segment from -3 to 3 has
  // its ends 3 pixels from it.
  residual = CentredSegmentResidual({0, 3}, {0, -3}, {100, 0, 1});
  ASSERT_TRUE(residual);
  EXPECT_NEAR(residual->distancePixels, 3, kDistanceTolerance);
  EXPECT_NEAR(residual->angleDegrees, 90, kAngleTolerance);
}

TEST(SegmentResidual, NoneWithoutALineToCompareWith) {
  EXPECT_FALSE(CentredSegmentResidual({0, 0}, {10, 0}, {0, 0, 0})) << "never computed";
  EXPECT_FALSE(CentredSegmentResidual({0, 0}, {10, 0}, {10, 0, 2})) << "vanishing point on the midpoint";
  EXPECT_FALSE(CentredSegmentResidual({4, 4}, {4, 4}, {1, 0, 0})) << "no length";
}

// Pixel ends are centred before they meet the centred vanishing point. On a 200 × 100
// photograph the centred point (100, -50) is the pixel (200, 0), on the line through the pixels
// (0, 100) and (100, 50); in the pixel frame taken as centred they would be 10° off.
TEST(SegmentResidual, PixelEndsMeetTheVanishingPointInTheCentredFrame) {
  CSingleImage model(200, 100);
  const double v[3] = {100 / std::sqrt(12501.0), -50 / std::sqrt(12501.0), 1 / std::sqrt(12501.0)};
  for (int i = 0; i < 3; ++i) model.m_Vy[i] = v[i];
  const auto residual = SegmentResidual(model, 1, {0, 100, 100, 50});
  ASSERT_TRUE(residual);
  EXPECT_NEAR(residual->angleDegrees, 0, kAngleTolerance);
  EXPECT_NEAR(residual->distancePixels, 0, kDistanceTolerance);
  EXPECT_FALSE(SegmentResidual(model, 0, {0, 100, 100, 50})) << "X was never computed";
}

TEST(Median, OfOddAndEvenCounts) {
  EXPECT_EQ(Median({3, 1, 2}), 2);
  EXPECT_EQ(Median({4, 1, 3, 2}), 2.5);
  EXPECT_EQ(Median({7}), 7);
  EXPECT_FALSE(Median({}));
}

TEST(OutlyingResiduals, AboveThreeTimesTheMedianOfTheCountingOnes) {
  // Counting: 0.1, 0.12, 0.09 and 0.5, median 0.11; 0.5 and the disabled 1.0 are above 0.33.
  const std::vector<std::optional<double>> angles = {0.1, 0.12, std::nullopt, 0.09, 0.5, 1.0, 0.3};
  const std::vector<bool> counting = {true, true, true, true, true, false, false};
  EXPECT_EQ(OutlyingResiduals(angles, counting), (std::vector<bool>{false, false, false, false, true, true, false}));
  // Exact segments differ by rounding alone.
  EXPECT_EQ(OutlyingResiduals({1e-14, 3e-14, 2e-13}, {true, true, true}), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(OutlyingResiduals({0.0, 0.0, 0.2}, {true, true, true}), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(OutlyingResiduals({0.2}, {false}), std::vector<bool>{false}) << "no median without counting segments";
}

TEST(WithinDegreesOfParallel, AcrossTheWrapAndWithEitherOrientation) {
  const auto at = [](double degrees, double length = 100) {
    return std::array<double, 4>{5, 5, 5 + length * std::cos(degrees * kRadiansPerDegree),
                                 5 + length * std::sin(degrees * kRadiansPerDegree)};
  };
  struct Case {
    const char* name;
    std::vector<std::array<double, 4>> segments;
    bool within;
  };
  const Case cases[] = {
      {"0, 0.5 and 0.9 degrees", {at(0), at(0.5), at(0.9)}, true},
      {"0 and 1.2 degrees", {at(0), at(1.2)}, false},
      {"across 180 degrees", {at(179.6), at(0.3), at(180.2)}, true},
      {"drawn the other way", {at(30), at(210.5, 40)}, true},
      {"spread over 1.5 degrees", {at(89.5), at(90.4), at(91)}, false},
      {"one segment", {at(10)}, true},
  };
  for (const Case& c : cases) EXPECT_EQ(WithinDegreesOfParallel(c.segments, 1.0), c.within) << c.name;
}

TEST(AssessDirection, WarnsOfTooFewAndOfNearlyParallelSegmentsMeetingAtAFinitePoint) {
  const std::vector<std::array<double, 4>> nearlyParallel = {{0, 0, 100, 0}, {0, 50, 100, 50.5}};
  const std::vector<std::array<double, 4>> converging = {{0, 0, 100, 0}, {0, 50, 100, 40}};
  CDirectionQuality q = AssessDirection(nearlyParallel, {0.99999, 0, 1e-5}, std::nullopt, 0.5);
  EXPECT_EQ(q.segments, 2);
  EXPECT_TRUE(q.nearlyParallel);
  EXPECT_FALSE(q.tooFew);
  EXPECT_FALSE(q.directionSigmaDegrees);
  EXPECT_FALSE(AssessDirection(nearlyParallel, {1, 0, 0}, std::nullopt, 0.5).nearlyParallel) << "at infinity";
  EXPECT_FALSE(AssessDirection(nearlyParallel, {1, 0, 1e-12}, std::nullopt, 0.5).nearlyParallel)
      << "parallel up to rounding";
  EXPECT_FALSE(AssessDirection(converging, {0.98, 0, 0.002}, std::nullopt, 0.5).nearlyParallel);
  q = AssessDirection({{0, 0, 100, 0}}, {1, 0, 0}, std::nullopt, 0.5);
  EXPECT_TRUE(q.tooFew);
  EXPECT_FALSE(q.nearlyParallel);
}

// The σ of the direction against the estimate repeated with the end points drawn with noise:
// the larger standard deviation, over all directions in the plane orthogonal to the true unit
// vector, of the estimates' deviation from it; and, for points away from the centre, the
// standard deviation of the direction in which the estimate lies as seen from the image centre.
TEST(DirectionSigmaDegrees, AgreesWithMonteCarlo) {
  constexpr int kDraws = 4000;
  constexpr double kAgreement = 0.05;
  constexpr double kSigma = 0.5;
  constexpr int kWidth = 1024, kHeight = 768;
  struct Case {
    const char* name;
    std::array<double, 3> vanishingPoint;  // centred
  };
  const Case cases[] = {{"finite, beside the photograph", {1400, 300, 1}},
                        {"finite, far below", {150, -9000, 1}},
                        {"at infinity", {0.8, 0.6, 0}}};
  std::mt19937 random(4242);
  for (const Case& c : cases) {
    const auto& v = c.vanishingPoint;
    const double vLength = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    const std::array<double, 3> truth = {v[0] / vLength, v[1] / vLength, v[2] / vLength};
    // Five segments of 150 to 300 pixels through the photograph, pointing at the point.
    std::uniform_real_distribution<double> across(-300, 300), length(150, 300);
    CChainInputs chain;
    chain.width = kWidth, chain.height = kHeight;
    for (int k = 0; k < 5; ++k) {
      const double mu = across(random), mv = across(random) * 0.7, half = length(random) / 2;
      std::array<double, 2> d = v[2] != 0 ? std::array<double, 2>{v[0] / v[2] - mu, v[1] / v[2] - mv}
                                          : std::array<double, 2>{v[0], v[1]};
      const double n = std::hypot(d[0], d[1]);
      d = {d[0] / n * half, d[1] / n * half};
      chain.segments[0].push_back({mu - d[0] + kWidth / 2.0, mv - d[1] + kHeight / 2.0, mu + d[0] + kWidth / 2.0,
                                   mv + d[1] + kHeight / 2.0});
    }
    const auto sigma = DirectionSigmaDegrees(SpreadOfVanishingPoint(chain, 0), kSigma);
    ASSERT_TRUE(sigma) << c.name;

    // An orthonormal basis of the plane orthogonal to the truth.
    std::array<double, 3> e1 = std::fabs(truth[2]) < 0.9 ? std::array<double, 3>{0, 0, 1} : std::array<double, 3>{1, 0, 0};
    const double along = e1[0] * truth[0] + e1[1] * truth[1] + e1[2] * truth[2];
    for (int i = 0; i < 3; ++i) e1[i] -= along * truth[i];
    const double e1Length = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
    for (double& x : e1) x /= e1Length;
    const std::array<double, 3> e2 = {truth[1] * e1[2] - truth[2] * e1[1], truth[2] * e1[0] - truth[0] * e1[2],
                                      truth[0] * e1[1] - truth[1] * e1[0]};
    std::normal_distribution<double> noise(0, kSigma);
    CSingleImage model(kWidth, kHeight);
    double s11 = 0, s22 = 0, s12 = 0, seen = 0, seenSquares = 0;
    const double seenTruth = std::atan2(truth[1] * (truth[2] < 0 ? -1 : 1), truth[0] * (truth[2] < 0 ? -1 : 1));
    for (int draw = 0; draw < kDraws; ++draw) {
      CSegmentList list;
      for (const auto& s : chain.segments[0])
        list.Add(MakeSegment(model, s[0] + noise(random), s[1] + noise(random), s[2] + noise(random), s[3] + noise(random)));
      std::array<double, 3> p = EstimateVanishingPoint(list);
      list.RemoveAll();
      if (p[0] * truth[0] + p[1] * truth[1] + p[2] * truth[2] < 0)
        for (double& x : p) x = -x;
      const double a = p[0] * e1[0] + p[1] * e1[1] + p[2] * e1[2], b = p[0] * e2[0] + p[1] * e2[1] + p[2] * e2[2];
      s11 += a * a, s22 += b * b, s12 += a * b;
      // The direction from the centre: of (u, v) for a finite point, of its lines at infinity.
      const double sign = truth[2] != 0 && p[2] < 0 ? -1 : 1;
      double angle = std::atan2(sign * p[1], sign * p[0]) - seenTruth;
      angle = std::remainder(angle, truth[2] != 0 ? 2 * kPi : kPi);
      seen += angle, seenSquares += angle * angle;
    }
    s11 /= kDraws, s22 /= kDraws, s12 /= kDraws;
    const double largest = (s11 + s22) / 2 + std::hypot((s11 - s22) / 2, s12);
    const double monteCarlo = std::sqrt(largest) / kRadiansPerDegree;
    EXPECT_NEAR(*sigma / monteCarlo, 1, kAgreement) << c.name << ": propagated " << *sigma << "°, Monte Carlo "
                                                    << monteCarlo << "°";
    const double seenMean = seen / kDraws;
    const double seenSigma = std::sqrt(seenSquares / kDraws - seenMean * seenMean) / kRadiansPerDegree;
    EXPECT_NEAR(*sigma / seenSigma, 1, kAgreement) << c.name << ": propagated " << *sigma
                                                   << "°, seen from the centre " << seenSigma << "°";
  }
}

}  // namespace
