#include "lines/SegmentDetection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// A light picture with one dark rectangle covering columns left..right and rows bottom..top
// (rows counted from the bottom, as stored). Its edges lie half a pixel outside those pixels.
struct CRectanglePicture {
  int width, height, left, right, bottom, top;
  std::unique_ptr<unsigned char[]> pixels;

  CRectanglePicture(int w, int h, int l, int r, int b, int t)
      : width(w), height(h), left(l), right(r), bottom(b), top(t), pixels(new unsigned char[3 * w * h]) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool inside = x >= l && x <= r && y >= b && y <= t;
        unsigned char* p = pixels.get() + 3 * (y * w + x);
        p[0] = inside ? 40 : 210;
        p[1] = inside ? 50 : 200;
        p[2] = inside ? 70 : 190;
      }
  }
  CPixelView View() const { return {pixels.get(), width, height}; }
  // Distance of a point from the nearest of the four edge lines, and which edge.
  double DistanceToEdges(double x, double y) const {
    return std::min({std::fabs(x - (left - 0.5)), std::fabs(x - (right + 0.5)), std::fabs(y - (bottom - 0.5)),
                     std::fabs(y - (top + 0.5))});
  }
};

struct Case {
  const char* name;
  int detectionLongSide;  // forces the reduction the detector runs on
  int expectedReduction;
};

class DetectSegmentsOnRectangle : public ::testing::TestWithParam<Case> {};

// The rectangle sits in the upper part of the picture: read top-down, its edges would come out
// at rows 179 − y, far from the true ones.
TEST_P(DetectSegmentsOnRectangle, FindsItsFourEdgesAtTheirPixelPositionsWithRowsCountedFromTheBottom) {
  const Case& c = GetParam();
  const CRectanglePicture picture(240, 180, 60, 179, 110, 159);
  CDetectionOptions options;
  options.detectionLongSidePixels = c.detectionLongSide;
  const CSegmentDetection found = DetectSegments(picture.View(), std::nullopt, options);
  EXPECT_EQ(found.reduction, c.expectedReduction) << c.name;
  // Refined at full resolution, a hard edge lies exactly between its two pixel columns.
  constexpr double kRefinedTolerance = 0.02;
  double covered[4] = {0, 0, 0, 0};  // length found along left, right, bottom, top
  for (const CDetectedSegment& detected : found.segments) {
    const CImageSegment& s = detected.segment;
    ASSERT_TRUE(detected.refined) << c.name;
    EXPECT_LT(picture.DistanceToEdges(s.x1, s.y1), kRefinedTolerance) << c.name << " " << s.x1 << ", " << s.y1;
    EXPECT_LT(picture.DistanceToEdges(s.x2, s.y2), kRefinedTolerance) << c.name << " " << s.x2 << ", " << s.y2;
    const bool vertical = std::fabs(s.x2 - s.x1) < std::fabs(s.y2 - s.y1);
    const int edge = vertical ? (std::fabs(s.x1 - 59.5) < 1 ? 0 : 1) : (std::fabs(s.y1 - 109.5) < 1 ? 2 : 3);
    covered[edge] += s.Length();
  }
  const double lengths[4] = {50, 50, 120, 120};
  for (int edge = 0; edge < 4; ++edge)
    EXPECT_GT(covered[edge], 0.7 * lengths[edge]) << c.name << ": edge " << edge << " mostly missed";
}

INSTANTIATE_TEST_SUITE_P(Reductions, DetectSegmentsOnRectangle,
                         ::testing::Values(Case{"full resolution", 1600, 1}, Case{"blocks of 3", 80, 3}),
                         [](const auto& info) { return std::string(info.param.name).substr(0, 4) == "full" ? "Full" : "Blocks"; });

TEST(DetectSegments, SearchesOnlyTheRegionGivenInAnyCornerOrder) {
  const CRectanglePicture picture(240, 180, 60, 179, 110, 159);
  const CPixelRegion leftPart{120, 179, 0, 60};  // corners swapped on purpose
  const CSegmentDetection found = DetectSegments(picture.View(), leftPart);
  ASSERT_FALSE(found.segments.empty());
  bool leftEdge = false;
  for (const CDetectedSegment& detected : found.segments) {
    const CImageSegment& s = detected.segment;
    for (const double x : {s.x1, s.x2}) EXPECT_LE(x, 120.5);
    for (const double y : {s.y1, s.y2}) EXPECT_GE(y, 59.5);
    leftEdge = leftEdge || std::fabs(s.x1 - 59.5) < 0.1;
  }
  EXPECT_TRUE(leftEdge);
}

TEST(DetectSegments, DropsSegmentsShorterThanTwoPercentOfTheDiagonal) {
  // Diagonal 300: a square of side 5 is below 2 % (6 pixels), one of side 12 above.
  const CRectanglePicture small(240, 180, 100, 104, 80, 84);
  EXPECT_TRUE(DetectSegments(small.View(), std::nullopt).segments.empty());
  const CRectanglePicture large(240, 180, 100, 111, 80, 91);
  EXPECT_FALSE(DetectSegments(large.View(), std::nullopt).segments.empty());
}

TEST(DetectSegments, ReportsProgressAndStopsWhenTheCallbackSaysSo) {
  const CRectanglePicture picture(240, 180, 60, 179, 110, 159);
  std::vector<double> fractions;
  const CSegmentDetection finished = DetectSegments(picture.View(), std::nullopt, {}, [&](double fraction) {
    fractions.push_back(fraction);
    return true;
  });
  EXPECT_FALSE(finished.cancelled);
  ASSERT_FALSE(fractions.empty());
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_EQ(fractions.back(), 1.0);

  int calls = 0;
  const CSegmentDetection cancelled = DetectSegments(picture.View(), std::nullopt, {}, [&](double) {
    return ++calls < 2;
  });
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(calls, 2);
}

TEST(DetectSegments, SaysSoWhenThereIsNothingToSearch) {
  EXPECT_FALSE(DetectSegments(CPixelView{}, std::nullopt).message.empty());
  const CRectanglePicture picture(240, 180, 60, 179, 110, 159);
  const CSegmentDetection tiny = DetectSegments(picture.View(), CPixelRegion{10, 10, 14, 40});
  EXPECT_TRUE(tiny.segments.empty());
  EXPECT_FALSE(tiny.message.empty());
}

}  // namespace
