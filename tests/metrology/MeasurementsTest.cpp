// Distances, height differences and areas between points: their values from the points' world
// coordinates, and the messages for ids and faces that name nothing.

#include "MetrologyExamples.h"
#include "metrology/MeasurementLog.h"
#include "metrology/Measurements.h"
#include "texture/FaceTexture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class Measurements : public ::testing::Test {
 protected:
  void SetUp() override {
    model = AxisAlignedScene();
    // A 2 × 1.5 rectangle standing on the ground along X, and a point above its corner.
    for (const auto& [x, y, z] : {std::array<double, 3>{0, 0, 0}, {2, 0, 0}, {2, 0, 1.5}, {0, 0, 1.5}, {3, 4, 12}}) {
      CPointFields f;
      f.m_X = x, f.m_Y = y, f.m_Z = z;
      AddViewPoint(*model, f);
    }
    const int face[4] = {0, 1, 2, 3}, missing[4] = {0, 1, 7, 9};
    AddFace(*model, "front", face);
    AddFace(*model, "broken", missing);
  }
  std::unique_ptr<CSingleImage> model;
  CMeasurementLog log;  // no records: every σ unknown
};

TEST_F(Measurements, ValuesComeFromTheWorldCoordinates) {
  struct Case {
    const char* name;
    CMeasuredValue measured;
    double expected;
  };
  const Case cases[] = {
      {"distance along X", MeasureDistance(*model, log, 0, 1), 2},
      {"distance in space", MeasureDistance(*model, log, 4, 0), 13},
      {"same point", MeasureDistance(*model, log, 2, 2), 0},
      {"height up", MeasureHeightDifference(*model, log, 2, 1), 1.5},
      {"height down", MeasureHeightDifference(*model, log, 0, 4), -12},
      {"face", MeasureFaceArea(*model, log, 0), 3},
      {"corners the other way", MeasureArea(*model, log, {3, 2, 1, 0}), 3},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(c.measured.HasValue()) << c.name << ": " << c.measured.message;
    EXPECT_NEAR(c.measured.value, c.expected, 1e-12) << c.name;
    // Typed coordinates have no known σ; a point's distance from itself is 0 whatever they are.
    EXPECT_EQ(c.measured.sigma, c.expected == 0 ? std::optional(0.0) : std::nullopt) << c.name;
  }
}

// Corners picked in any order are put in order around the rectangle 0, 1, 2, 3 (2 × 1.5), the
// first kept first, and measure its area; a point that is missing leaves the ids as they are.
TEST_F(Measurements, CornersPickedInAnyOrderAreOrderedAroundTheirQuadrilateral) {
  struct Case {
    std::array<int, 4> picked, around;
  };
  const Case cases[] = {{{0, 1, 2, 3}, {0, 1, 2, 3}}, {{0, 1, 3, 2}, {0, 1, 2, 3}}, {{0, 2, 1, 3}, {0, 1, 2, 3}},
                        {{2, 0, 1, 3}, {2, 1, 0, 3}}, {{3, 2, 1, 0}, {3, 2, 1, 0}}, {{0, 1, 2, 9}, {0, 1, 2, 9}}};
  for (const Case& c : cases) {
    const std::array<int, 4> around = CornersInOrderAround(*model, c.picked);
    const std::array<int, 4> reversed = {c.around[0], c.around[3], c.around[2], c.around[1]};
    EXPECT_TRUE(around == c.around || around == reversed) << c.picked[0] << c.picked[1] << c.picked[2] << c.picked[3];
    if (c.picked[3] == 9) continue;
    EXPECT_NEAR(MeasureArea(*model, log, around).value, 3, 1e-12);
  }
  EXPECT_NEAR(MeasureArea(*model, log, {0, 1, 3, 2}).value, 0, 1e-12) << "a rectangle's sides in a crossed order";
}

TEST_F(Measurements, IdsAndFacesThatNameNothingAreRefused) {
  struct Case {
    const char* name;
    CMeasuredValue measured;
    std::string message;
  };
  const Case cases[] = {
      {"one id", MeasureDistance(*model, log, 0, 12), "Point 12 doesn't exist."},
      {"two ids", MeasureHeightDifference(*model, log, 8, 12), "Points 8 and 12 don't exist."},
      {"corners", MeasureArea(*model, log, {0, 5, 6, 5}), "Points 5 and 6 don't exist."},
      {"no such face", MeasureFaceArea(*model, log, 2), "Face 2 doesn't exist."},
      {"negative face", MeasureFaceArea(*model, log, -1), "Face -1 doesn't exist."},
      {"missing corner", MeasureFaceArea(*model, log, 1), "Face 1 has a missing corner: Points 7 and 9 don't exist."},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(c.measured.HasValue()) << c.name;
    EXPECT_EQ(c.measured.message, c.message) << c.name;
  }
}

}  // namespace
