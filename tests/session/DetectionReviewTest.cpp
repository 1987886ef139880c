#include "session/DetectionReview.h"

#include "lines/PhotographSnap.h"
#include "model/SingleImage.h"
#include "session/SegmentTrimming.h"

#include "LineScenes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

constexpr int kWidth = 640, kHeight = 480;

CDetectedSegment Detected(double x1, double y1, double x2, double y2, double rms = -1) {
  return {{x1, y1, x2, y2}, rms >= 0, rms};
}

// Detection as it might come back: the first ground group vanishes to the left of the
// photograph, the second to its right, the vertical far above; one outlier.
CSceneDirections FoundScene() {
  CSceneDirections found;
  found.detection.segments = {
      Detected(100, 100, 200, 110, 0.2),  // 0: second ground (to the right): X
      Detected(100, 200, 200, 205),       // 1: X
      Detected(400, 100, 500, 90),        // 2: first ground (to the left): Y
      Detected(400, 200, 500, 195),       // 3: Y
      Detected(300, 50, 301, 250),        // 4: vertical: Z
      Detected(350, 50, 351, 250),        // 5: Z
      Detected(600, 400, 630, 470),       // 6: outlier
  };
  CSegmentGrouping& g = found.grouping;
  g.labels = {kSecondGround, kSecondGround, kFirstGround, kFirstGround, kVertical, kVertical, kOutlier};
  g.directions[kFirstGround] = {true, {2, 3}, {-2000, 0, 1}, 0.1, "", {}};
  g.directions[kSecondGround] = {true, {0, 1}, {3000, 10, 1}, 0.1, "", {}};
  g.directions[kVertical] = {true, {4, 5}, {10, 1, 0.0001}, 0.1, "", {}};
  return found;
}

std::vector<const CSegmentAction*> Segments(const CActionList& actions) {
  std::vector<const CSegmentAction*> out;
  for (const auto& a : actions)
    if (const auto* s = std::get_if<CSegmentAction>(a.get())) out.push_back(s);
  return out;
}

TEST(DetectionReview, GroundDirectionVanishingFurtherRightIsX) {
  const CDetectionReview review(FoundScene(), kWidth, kHeight);
  const int expected[] = {0, 0, 1, 1, 2, 2, kOutlier};
  for (size_t i = 0; i < review.Segments().size(); ++i) {
    EXPECT_EQ(review.Segments()[i].axis, expected[i]) << "segment " << i;
    EXPECT_EQ(review.Segments()[i].accepted, expected[i] != kOutlier) << "segment " << i;
  }
  for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(review.Count(axis), 2);
  EXPECT_EQ(review.OutlierCount(), 1);
  EXPECT_EQ(review.Segments()[0].snapRms, 0.2);
  EXPECT_FALSE(review.Segments()[1].snapRms);
}

TEST(DetectionReview, ADirectionNotFoundSaysWhyAndSuggestsNothing) {
  CSceneDirections found = FoundScene();
  CDirectionGroup& missing = found.grouping.directions[kSecondGround];
  missing = {};
  missing.message = "Too few segments agree on a second ground direction.";
  for (int& label : found.grouping.labels)
    if (label == kSecondGround) label = kOutlier;
  const CDetectionReview review(found, kWidth, kHeight);
  // The one ground direction left vanishes left of the centre: it is Y.
  EXPECT_FALSE(review.Direction(0).found);
  EXPECT_NE(review.Direction(0).message.find("Too few segments"), std::string::npos) << review.Direction(0).message;
  EXPECT_EQ(review.Count(0), 0);
  EXPECT_TRUE(review.Direction(1).found);
  EXPECT_EQ(review.Count(1), 2);
  EXPECT_TRUE(review.AcceptedActions({true, false, false}).empty());
}

TEST(DetectionReview, ClickTogglesTheNearestSuggestionAndMissesOutliersAndEmptyPlaces) {
  CDetectionReview review(FoundScene(), kWidth, kHeight);
  EXPECT_EQ(review.ToggleAt(150, 106, 3), 0);  // 1 pixel beside segment 0
  EXPECT_FALSE(review.Segments()[0].accepted);
  EXPECT_EQ(review.ToggleAt(150, 106, 3), 0);
  EXPECT_TRUE(review.Segments()[0].accepted);
  EXPECT_EQ(review.ToggleAt(150, 150, 3), -1);  // nothing that close
  EXPECT_EQ(review.ToggleAt(615, 435, 3), -1);  // on the outlier
  EXPECT_EQ(review.AcceptedCount(0), 2);
}

TEST(DetectionReview, RubberBandDisablesTheSegmentsWhollyInside) {
  CDetectionReview review(FoundScene(), kWidth, kHeight);
  // Holds segments 2 and 3 whole, and one end of segment 0.
  EXPECT_EQ(review.DisableInside(510, 80, 190, 210), 2);
  EXPECT_EQ(review.AcceptedCount(1), 0);
  EXPECT_EQ(review.AcceptedCount(0), 2);
  EXPECT_EQ(review.AcceptedCount(2), 2);
}

TEST(DetectionReview, AcceptingAddsSegmentsAndCalculateOrReplacesThoseOfTheDirectionsTaken) {
  CDetectionReview review(FoundScene(), kWidth, kHeight);
  review.SetAccepted(5, false);  // one vertical left: too few for "Caculate "
  const CActionList hand = {std::make_shared<const CAction>(CSegmentAction{0, {1, 2, 30, 4}, true, std::nullopt}),
                            std::make_shared<const CAction>(CSegmentAction{2, {5, 6, 7, 80}, true, std::nullopt}),
                            std::make_shared<const CAction>(CSegmentAction{2, {9, 6, 9, 80}, true, std::nullopt})};

  const CActionList added = review.ActionsAfterAccepting(hand, {true, true, true}, EAcceptMode::Add);
  ASSERT_EQ(added.size(), 3u + 5u + 1u);
  EXPECT_EQ(added[0], hand[0]);
  const auto* first = std::get_if<CSegmentAction>(added[3].get());
  ASSERT_TRUE(first);
  EXPECT_EQ(first->axis, 0);
  EXPECT_EQ(first->ends, (std::array<double, 4>{100, 100, 200, 110}));
  EXPECT_EQ(first->snapRms, 0.2);
  EXPECT_TRUE(std::holds_alternative<CCalculateAction>(*added.back()));

  // Replacing X and Z: the hand X and both hand Z go, the new ones stand where the first was.
  const CActionList replaced = review.ActionsAfterAccepting(hand, {true, false, true}, EAcceptMode::Replace);
  const auto segments = Segments(replaced);
  ASSERT_EQ(segments.size(), 3u);
  EXPECT_EQ(segments[0]->ends[0], 100);
  EXPECT_EQ(segments[1]->ends[1], 200);
  EXPECT_EQ(segments[2]->axis, 2);
  EXPECT_EQ(segments[2]->ends[0], 300);
  // Y has none and Z one: no "Caculate ", which would be refused.
  EXPECT_FALSE(std::holds_alternative<CCalculateAction>(*replaced.back()));
}

// Two vertical pieces of one line, as grouping joins them: accepted together they are one
// segment along the whole line, with their length-weighted RMS; one turned off, the other is
// taken as it is.
TEST(DetectionReview, PiecesOfOneLineAcceptedTogetherBecomeOneSegmentAlongIt) {
  CSceneDirections found = FoundScene();
  found.detection.segments.push_back(Detected(500, 50, 501, 150, 0.1));   // 7
  found.detection.segments.push_back(Detected(501.5, 200, 502.5, 300, 0.3));  // 8
  found.grouping.labels.push_back(kVertical);
  found.grouping.labels.push_back(kVertical);
  CDirectionGroup& vertical = found.grouping.directions[kVertical];
  vertical.segments = {4, 5, 7, 8};
  vertical.joinedLines = {{{7, 8}, {500, 50, 502.5, 300}}};
  CDetectionReview review(found, kWidth, kHeight);
  ASSERT_EQ(review.JoinedLines().size(), 1u);
  EXPECT_EQ(review.JoinedLines()[0].pieces, (std::vector<int>{7, 8}));
  EXPECT_EQ(review.Segments()[8].joinedLine, 0);
  EXPECT_EQ(review.Segments()[4].joinedLine, -1);

  const auto z = [&] {
    std::vector<CSegmentAction> out;
    for (const CAction& a : review.AcceptedActions({false, false, true})) out.push_back(std::get<CSegmentAction>(a));
    return out;
  };
  std::vector<CSegmentAction> taken = z();
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[2].ends, (std::array<double, 4>{500, 50, 502.5, 300}));
  const double a = std::hypot(1, 100), b = std::hypot(1, 100);
  ASSERT_TRUE(taken[2].snapRms);
  EXPECT_DOUBLE_EQ(*taken[2].snapRms, std::sqrt((a * 0.01 + b * 0.09) / (a + b)));
  EXPECT_EQ(review.AcceptedCount(2), 4);  // the count is of pieces, as they are drawn

  review.SetAccepted(8, false);
  taken = z();
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[2].ends, (std::array<double, 4>{500, 50, 501, 150}));
  EXPECT_EQ(taken[2].snapRms, 0.1);
}

// Detecting again and adding does not enter a segment twice: a suggestion on a segment the list
// keeps (here the first X suggestion, entered before half a pixel off and as a Z segment by
// mistake) is left out, while one whose segment is being replaced is not.
TEST(DetectionReview, ASuggestionOnASegmentAlreadyThereIsNotAddedAgain) {
  const CDetectionReview review(FoundScene(), kWidth, kHeight);
  const CActionList there = {std::make_shared<const CAction>(CSegmentAction{2, {100.5, 100.4, 200.3, 110.5}, false,
                                                                            std::nullopt}),
                             std::make_shared<const CAction>(CSegmentAction{0, {120, 102, 180, 108}, true, std::nullopt})};
  const size_t suggested = review.AcceptedActions({true, true, true}).size();
  int alreadyThere = -1;
  const CActionList afterAdding = review.ActionsAfterAccepting(there, {true, true, true}, EAcceptMode::Add, &alreadyThere);
  const auto added = Segments(afterAdding);
  EXPECT_EQ(alreadyThere, 1);  // the X suggestion holds the short X segment and lies on the Z one
  ASSERT_EQ(added.size(), 2u + suggested - 1);
  for (size_t k = 2; k < added.size(); ++k) EXPECT_NE(added[k]->ends, (std::array<double, 4>{100, 100, 200, 110})) << k;

  // Replacing X keeps the Z segment, on which the X suggestion lies; replacing Z as well, it goes.
  review.ActionsAfterAccepting(there, {true, false, false}, EAcceptMode::Replace, &alreadyThere);
  EXPECT_EQ(alreadyThere, 1);
  const CActionList afterReplacing =
      review.ActionsAfterAccepting(there, {true, false, true}, EAcceptMode::Replace, &alreadyThere);
  const auto replaced = Segments(afterReplacing);
  EXPECT_EQ(alreadyThere, 0);
  EXPECT_EQ(replaced.size(), review.AcceptedActions({true, false, true}).size());
}

// A model of the rendered three boxes, as a loaded photograph.
std::unique_ptr<CSingleImage> RenderedModel(const CRenderedScene& scene) {
  CRenderSettings settings;
  settings.blurSigma = 1.0, settings.noiseSigma = 2, settings.jpegQuality = 90;
  const CPixelImage image = scene.Render(settings);
  auto model = std::make_unique<CSingleImage>(image.width, image.height);
  const size_t bytes = static_cast<size_t>(image.width) * image.height * 3;
  model->m_pPixels = std::make_unique<unsigned char[]>(bytes);
  std::memcpy(model->m_pPixels.get(), image.pixels.get(), bytes);
  return model;
}

TEST(SnapSegmentToPhotograph, HandSegmentBesideARenderedEdgeLandsOnIt) {
  const CRenderedScene scene = ThreeBoxes(1024, 768);
  const auto model = RenderedModel(scene);
  // The vertical corner of the tall box, its middle 80 %, drawn 0.8 pixel to one side.
  const auto p = scene.Pixel(4, -1, 0.3), q = scene.Pixel(4, -1, 3.7);
  const double dx = q[0] - p[0], dy = q[1] - p[1], length = std::hypot(dx, dy);
  const double nx = -dy / length, ny = dx / length;
  const std::array<double, 4> truth = {p[0] + 0.1 * dx, p[1] + 0.1 * dy, q[0] - 0.1 * dx, q[1] - 0.1 * dy};
  const std::array<double, 4> hand = {truth[0] + 0.8 * nx, truth[1] + 0.8 * ny, truth[2] + 0.8 * nx, truth[3] + 0.8 * ny};
  const std::optional<CSnappedSegment> snapped = SnapSegmentToPhotograph(*model, hand);
  ASSERT_TRUE(snapped);
  EXPECT_LT(std::fabs((snapped->ends[0] - truth[0]) * nx + (snapped->ends[1] - truth[1]) * ny), 0.1);
  EXPECT_LT(std::fabs((snapped->ends[2] - truth[2]) * nx + (snapped->ends[3] - truth[3]) * ny), 0.1);
  EXPECT_GT(snapped->rmsPixels, 0);
  // Plain ground has no edge to snap to; a model without pixels none at all.
  EXPECT_FALSE(SnapSegmentToPhotograph(*model, {40, 40, 160, 70}));
  EXPECT_FALSE(SnapSegmentToPhotograph(CSingleImage(1024, 768), hand));
}

TEST(DisableOutliers, DisablesTheSegmentsMissingTheirVanishingPointByMoreThanTheThreshold) {
  // A 200 × 100 photograph whose X vanishing point lies at pixel (600, 50): centred (500, 0).
  CSingleImage model(200, 100);
  model.m_Vx[0] = 500, model.m_Vx[1] = 0, model.m_Vx[2] = 1;
  model.m_Vz[0] = 0, model.m_Vz[1] = 1, model.m_Vz[2] = 0;
  // Through (600, 50) exactly; 1° off about its midpoint; vertical; 0.3° off the vertical; one
  // more through (600, 50) and one more vertical, since every direction keeps two.
  const double tilt = std::tan(1.0 * 3.14159265358979 / 180) * 50;
  const double lean = std::tan(0.3 * 3.14159265358979 / 180) * 40;
  const CActionList actions = {
      std::make_shared<const CAction>(CSegmentAction{0, {0, 50, 100, 50}, true, std::nullopt}),
      std::make_shared<const CAction>(CSegmentAction{0, {0, 50 - tilt, 100, 50 + tilt}, true, std::nullopt}),
      std::make_shared<const CAction>(CSegmentAction{2, {50, 10, 50, 90}, true, std::nullopt}),
      std::make_shared<const CAction>(CSegmentAction{2, {80 - lean, 10, 80 + lean, 90}, true, std::nullopt}),
      std::make_shared<const CAction>(CSegmentAction{0, {0, 62, 100, 60}, true, std::nullopt}),
      std::make_shared<const CAction>(CSegmentAction{2, {20, 10, 20, 90}, true, std::nullopt}),
      std::make_shared<const CAction>(CCalculateAction{})};
  const COutlierTrim half = DisableOutliers(actions, model, 0.5);
  EXPECT_EQ(half.disabled, (std::array<int, 3>{1, 0, 0}));
  ASSERT_EQ(half.actions.size(), actions.size() + 1);
  EXPECT_FALSE(std::get<CSegmentAction>(*half.actions[1]).enabled);
  EXPECT_TRUE(std::get<CSegmentAction>(*half.actions[3]).enabled);
  EXPECT_TRUE(std::holds_alternative<CCalculateAction>(*half.actions.back()));
  const COutlierTrim tenth = DisableOutliers(actions, model, 0.1);
  EXPECT_EQ(tenth.disabled, (std::array<int, 3>{1, 0, 1}));
  // Nothing above the threshold: the list as it was.
  EXPECT_EQ(DisableOutliers(actions, model, 2).actions, actions);
}

}  // namespace
