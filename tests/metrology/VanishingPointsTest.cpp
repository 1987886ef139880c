#include "metrology/VanishingPoints.h"

#include "MetrologyExamples.h"
#include "ScriptedServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

TEST(MakeSegment, StoresCentredPositionsWithHalfPixelCentresForOddSizes) {
  CScriptedServices services;
  struct Case {
    int width, height;
    double expected[4];
  };
  const Case cases[] = {{640, 480, {0, 0, 10, 20}}, {641, 481, {-0.5, -0.5, 9.5, 19.5}}};
  for (const Case& c : cases) {
    auto model = EmptyPhotograph(c.width, c.height);
    std::unique_ptr<CLineEndPoints> segment(MakeSegment(*model, 320, 240, 330, 260));
    EXPECT_EQ(segment->m_Point1[0], c.expected[0]);
    EXPECT_EQ(segment->m_Point1[1], c.expected[1]);
    EXPECT_EQ(segment->m_Point1[2], 1.0);
    EXPECT_EQ(segment->m_Point2[0], c.expected[2]);
    EXPECT_EQ(segment->m_Point2[1], c.expected[3]);
    EXPECT_EQ(segment->m_Point2[2], 1.0);
  }
}

struct CSegment {
  double u1, v1, u2, v2;
};

class CLines {
 public:
  explicit CLines(std::initializer_list<CSegment> segments) {
    for (const CSegment& s : segments) {
      auto* line = new CLineEndPoints;
      line->m_Point1[0] = s.u1;
      line->m_Point1[1] = s.v1;
      line->m_Point2[0] = s.u2;
      line->m_Point2[1] = s.v2;
      m_lines.Add(line);
    }
  }
  ~CLines() { m_lines.RemoveAll(); }
  const CSegmentList& List() const { return m_lines; }

 private:
  CSegmentList m_lines;
};

TEST(EstimateVanishingPoint, GivesTheCommonPointOfTheLinesAsAUnitVector) {
  struct Case {
    const char* name;
    CLines lines;
    std::array<double, 3> expected;
  };
  const double r501 = std::sqrt(501.0);
  const double r130001 = std::sqrt(300.0 * 300 + 200.0 * 200 + 1);
  const Case cases[] = {
      {"finite", CLines({{0, 0, 10, 20}, {100, -50, 10, 20}}), {10 / r501, 20 / r501, 1 / r501}},
      {"negative third component", CLines({{0, 0, -300, -200}, {100, -50, -300, -200}}),
       {300 / r130001, 200 / r130001, -1 / r130001}},
      {"crossing at the centre", CLines({{-10, -5, 10, 5}, {-10, 5, 10, -5}}), {0, 0, 1}},
      {"horizontal parallels", CLines({{0, 0, 100, 0}, {0, 50, 100, 50}}), {1, 0, 0}},
      {"vertical parallels", CLines({{0, 0, 0, 100}, {50, 0, 50, 100}}), {0, 1, 0}},
  };
  for (const Case& c : cases) {
    const std::array<double, 3> point = EstimateVanishingPoint(c.lines.List());
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(point[i], c.expected[i], 1e-12) << c.name << " component " << i;
  }
}

TEST(CalculateVanishingPoints, StoresAllThreeAndRepeatsExactly) {
  auto model = EmptyPhotograph(640, 480);
  CLines x({{0, 0, 100, 0}, {0, 50, 100, 50}});
  CLines y({{0, 0, 0, 100}, {50, 0, 50, 100}});
  CLines z({{0, 0, 10, 20}, {100, -50, 10, 20}});
  EXPECT_EQ(CalculateVanishingPoints(*model, x.List(), y.List(), z.List()), "");
  const double first[3] = {model->m_Vz[0], model->m_Vz[1], model->m_Vz[2]};
  EXPECT_NEAR(std::fabs(model->m_Vx[0]), 1, 1e-15);
  EXPECT_NEAR(std::fabs(model->m_Vy[1]), 1, 1e-15);
  EXPECT_EQ(CalculateVanishingPoints(*model, x.List(), y.List(), z.List()), "");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(model->m_Vz[i], first[i]);
}

TEST(CalculateVanishingPoints, RefusesTooFewSegmentsAndStoresNothing) {
  auto model = EmptyPhotograph(640, 480);
  model->m_Vx[0] = 7;
  CLines two({{0, 0, 100, 0}, {0, 50, 100, 50}});
  CLines one({{0, 0, 0, 100}});
  CLines none({});
  EXPECT_EQ(CalculateVanishingPoints(*model, two.List(), one.List(), none.List()),
            "Vanishing points need at least two segments for each direction: Y, Z.");
  EXPECT_EQ(CalculateVanishingPoints(*model, none.List(), two.List(), two.List()),
            "Vanishing points need at least two segments for each direction: X.");
  EXPECT_EQ(model->m_Vx[0], 7);
  EXPECT_EQ(model->m_Vy[0], 0);
}

// Segments that fit every point of one line: refused, naming the direction, storing nothing.
TEST(CalculateVanishingPoints, RefusesSegmentsThatDoNotDetermineAPoint) {
  const CSegment good[] = {{0, 0, 100, 0}, {0, 50, 100, 50}};
  struct Case {
    const char* name;
    std::vector<CSegment> segments;
  };
  std::vector<CSegment> copies(25000, CSegment{-2999.5, 1999.5, 2999.5, -1999.5});
  std::vector<CSegment> pieces;
  for (int i = 0; i < 1000; ++i) pieces.push_back({2900.0 - i, 1900 - 0.25 * i, 2899.5 - i, 1900 - 0.25 * i - 0.125});
  const Case cases[] = {
      {"the same segment twice", {{10, 20, 300, 140}, {10, 20, 300, 140}}},
      {"the same segment reversed", {{10, 20, 300, 140}, {300, 140, 10, 20}}},
      {"two zero-length segments", {{10, 20, 10, 20}, {-5, 7, -5, 7}}},
      {"one segment and a zero-length one", {{10, 20, 300, 140}, {-5, 7, -5, 7}}},
      {"two pieces of one line", {{0, 0, 100, 50}, {200, 100, 300, 150}}},
      {"pieces of one line far out on a large photograph", pieces},
      {"25,000 copies of one diagonal", copies},
  };
  const std::string message =
      " do not determine a vanishing point: they lie on one line, repeat each other or have no length.";
  for (const Case& c : cases) {
    for (int direction = 0; direction < 3; ++direction) {
      auto model = EmptyPhotograph(6000, 4000);
      model->m_Vx[0] = 7, model->m_Vy[0] = 8, model->m_Vz[0] = 9;
      CSegmentList lists[3];
      for (int axis = 0; axis < 3; ++axis)
        for (const CSegment& s : axis == direction ? c.segments : std::vector<CSegment>(good, good + 2)) {
          auto* line = new CLineEndPoints;
          line->m_Point1[0] = s.u1, line->m_Point1[1] = s.v1, line->m_Point2[0] = s.u2, line->m_Point2[1] = s.v2;
          lists[axis].Add(line);
        }
      EXPECT_EQ(CalculateVanishingPoints(*model, lists[0], lists[1], lists[2]),
                std::string("The segments for ") + "XYZ"[direction] + message)
          << c.name;
      EXPECT_EQ(model->m_Vx[0], 7) << c.name;
      EXPECT_EQ(model->m_Vy[0], 8) << c.name;
      EXPECT_EQ(model->m_Vz[0], 9) << c.name;
      for (CSegmentList& list : lists) list.RemoveAll();
    }
  }
}

// Weak but sound geometry still gives its point.
TEST(CalculateVanishingPoints, AcceptsNearlyParallelShortAndFarSegments) {
  struct Case {
    const char* name;
    CLines lines;
  };
  const Case cases[] = {
      {"parallel lines one pixel apart at the edge of a large photograph", CLines({{-3000, 1998, 3000, 1998}, {-3000, 1999, 3000, 1999}})},
      {"a one-pixel segment beside one across the photograph", CLines({{-3000, -2000, 3000, 2000}, {100, 0, 101, 0}})},
      {"two pieces of one line and one more", CLines({{0, 0, 100, 50}, {200, 100, 300, 150}, {0, 10, 100, 60}})},
      {"segments through the centre", CLines({{-10, -5, 10, 5}, {-10, 5, 10, -5}})},
  };
  for (const Case& c : cases) EXPECT_TRUE(SegmentsDetermineAPoint(c.lines.List())) << c.name;
}

}  // namespace
