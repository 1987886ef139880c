#include "lines/EdgeSnapping.h"

#include "LineScenes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A snapped segment must lie this close to the true edge at both ends, in pixels.
constexpr double kSnapTolerancePixels = 0.1;
// How far the hand segment is drawn beside the edge, across it.
constexpr double kHandOffsetPixels = 0.8;

// The three boxes, 1024 × 768, soft edges, noise of 2 grey levels, JPEG at quality 90.
const CRenderedScene& Scene() {
  static const CRenderedScene scene = ThreeBoxes(1024, 768);
  return scene;
}
const CPixelImage& Photograph() {
  static const CPixelImage image = [] {
    CRenderSettings settings;
    settings.blurSigma = 1.0;
    settings.noiseSigma = 2;
    settings.jpegQuality = 90;
    return Scene().Render(settings);
  }();
  return image;
}
CPixelView View() { return {Photograph().pixels.get(), Photograph().width, Photograph().height}; }

// A box edge between two world points, of which the middle 80 % is drawn (its ends meet other edges).
struct Case {
  const char* name;
  double from[3], to[3];
};

class SnapToEdgeAlong : public ::testing::TestWithParam<Case> {};

TEST_P(SnapToEdgeAlong, HandSegmentBesideTheEdgeSnapsOntoIt) {
  const Case& c = GetParam();
  const auto p = Scene().Pixel(c.from[0], c.from[1], c.from[2]);
  const auto q = Scene().Pixel(c.to[0], c.to[1], c.to[2]);
  const double dx = q[0] - p[0], dy = q[1] - p[1], length = std::hypot(dx, dy);
  const double nx = -dy / length, ny = dx / length;
  const CImageSegment truth{p[0] + 0.1 * dx, p[1] + 0.1 * dy, q[0] - 0.1 * dx, q[1] - 0.1 * dy};
  for (const double side : {-1.0, 1.0}) {
    const double ox = side * kHandOffsetPixels * nx, oy = side * kHandOffsetPixels * ny;
    const CImageSegment hand{truth.x1 + ox, truth.y1 + oy, truth.x2 + ox, truth.y2 + oy};
    const CSnapResult snap = SnapToEdge(View(), hand);
    ASSERT_TRUE(snap.snapped) << c.name << ", side " << side << ": " << snap.message;
    const double off1 = (snap.segment.x1 - truth.x1) * nx + (snap.segment.y1 - truth.y1) * ny;
    const double off2 = (snap.segment.x2 - truth.x2) * nx + (snap.segment.y2 - truth.y2) * ny;
    EXPECT_LT(std::fabs(off1), kSnapTolerancePixels) << c.name << ", side " << side;
    EXPECT_LT(std::fabs(off2), kSnapTolerancePixels) << c.name << ", side " << side;
    // The end points move across the edge only: the extent stays the user's.
    EXPECT_NEAR((snap.segment.x1 - hand.x1) * -ny + (snap.segment.y1 - hand.y1) * nx, 0, 0.01);
    EXPECT_GT(snap.rmsPixels, 0);
    EXPECT_LE(snap.rmsPixels, CSnapOptions{}.maximumRmsPixels);
  }
}

// Corners between two faces, the edges of the bands between storeys (0 to 0.12 of a storey),
// window sides (windows fill 0.2 to 0.8 of their cell across the face, 0.3 to 0.8 of their
// storey). The edges are 30 to 300 pixels long.
INSTANTIATE_TEST_SUITE_P(
    ThreeBoxes, SnapToEdgeAlong,
    ::testing::Values(Case{"CornerOfTheTallBox", {4, -1, 0.3}, {4, -1, 3.7}},
                      Case{"CornerOfTheMiddleBox", {0, 0, 0.2}, {0, 0, 2.3}},
                      Case{"TopOfTheMiddleBox", {0.2, 0, 2.5}, {2.8, 0, 2.5}},
                      Case{"UnderABand", {0.1, 0, 0.8333}, {2.9, 0, 0.8333}},
                      Case{"WindowSideOnTheTallBox", {4.8, -1, 2.3 * 0.8}, {4.8, -1, 2.8 * 0.8}},
                      Case{"BandTopAlongY", {4, -0.9, 2.12 * 0.8}, {4, 1.4, 2.12 * 0.8}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SnapToEdge, DoesNotSnapWhereThereIsNoEdge) {
  // Plain ground in the lower left corner of the photograph.
  const CImageSegment hand{40, 40, 160, 70};
  const CSnapResult snap = SnapToEdge(View(), hand);
  EXPECT_FALSE(snap.snapped);
  EXPECT_FALSE(snap.message.empty());
  EXPECT_EQ(snap.segment.x1, hand.x1);
  EXPECT_EQ(snap.segment.y2, hand.y2);
}

TEST(SnapToEdge, DoesNotSnapASegmentTooShortFarOutsideOrWithoutAPosition) {
  const CImageSegment segments[] = {{500, 300, 503, 301}, {-1e300, 5, 1e300, 9}, {5, std::nan(""), 50, 60}};
  for (const CImageSegment& segment : segments) {
    const CSnapResult snap = SnapToEdge(View(), segment);
    EXPECT_FALSE(snap.snapped) << segment.x1;
    EXPECT_FALSE(snap.message.empty());
  }
}

}  // namespace
