#include "metrology/PointMeasurement.h"

#include "MetrologyExamples.h"
#include "ScriptedServices.h"
#include "metrology/ReferenceParameters.h"

#include <gtest/gtest.h>

namespace {

constexpr double kRoundOff = 1e-9;

// The first worked scene: HStandard = diag(50, 20, 1), standard origin (0, 0), A = −1/30.
class PointMeasurement : public ::testing::Test {
 protected:
  void SetUp() override { UseOrigin(320, 240); }
  void UseOrigin(double u, double v) {
    model = AxisAlignedScene();
    CReferenceFields f;
    f.m_PointX = 2, f.m_PointY = 3, f.m_PointU = 420, f.m_PointV = 300;
    f.m_bU = 420, f.m_bV = 300, f.m_tU = 470, f.m_tV = 330, f.m_ZValue = 10;
    f.m_WorldOriginU = u, f.m_WorldOriginV = v;
    CalculateReferenceScales(*model, f);
    StoreReferenceParameters(*model, f.m_a, f.m_b, f.m_A, u, v);
  }
  CScriptedServices services;
  std::unique_ptr<CSingleImage> model;
};

TEST_F(PointMeasurement, XAndYOfAnImagePointAtAHeight) {
  struct Case {
    double U, V, Z;
  };
  for (const Case& c : {Case{470, 330, 10}, Case{420, 300, 0}}) {
    CPointFields f;
    f.m_U = c.U, f.m_V = c.V, f.m_Z = c.Z;
    EXPECT_EQ(CalculateXY(*model, f), "");
    EXPECT_NEAR(f.m_X, 2, kRoundOff) << c.Z;
    EXPECT_NEAR(f.m_Y, 3, kRoundOff) << c.Z;
  }
}

TEST_F(PointMeasurement, SecondSceneMeasuresItsOriginAsZero) {
  UseOrigin(360, 260);
  CPointFields f;
  f.m_U = 360, f.m_V = 260;
  CalculateXY(*model, f);
  EXPECT_NEAR(f.m_X, 0, kRoundOff);
  EXPECT_NEAR(f.m_Y, 0, kRoundOff);
}

TEST_F(PointMeasurement, ImagePositionOfAWorldPoint) {
  struct Case {
    double Z, bU, bV;
  };
  for (const Case& c : {Case{0, 420, 300}, Case{10, 470, 330}}) {
    CPointFields f;
    f.m_X = 2, f.m_Y = 3, f.m_Z = c.Z;
    EXPECT_EQ(CalculateImagePosition(*model, f), "");
    EXPECT_NEAR(f.m_bU, c.bU, kRoundOff);
    EXPECT_NEAR(f.m_bV, c.bV, kRoundOff);
  }
}

TEST_F(PointMeasurement, HeightFromFootAndTopAndBelowTheGroundNegative) {
  CPointFields f;
  f.m_bU = 420, f.m_bV = 300, f.m_tU = 470, f.m_tV = 330;
  EXPECT_EQ(CalculateZ(*model, f), "");
  EXPECT_NEAR(f.m_Z, 10, kRoundOff);
  // The top 5 units below the foot: (2, 3, −5) is imaged at (100, 60, 7/6) centred.
  f.m_tU = 320 + 600.0 / 7, f.m_tV = 240 + 360.0 / 7;
  CalculateZ(*model, f);
  EXPECT_NEAR(f.m_Z, -5, kRoundOff);
}

TEST_F(PointMeasurement, NegatingTheVerticalKeepsEveryMeasurement) {
  CReferenceFields f;
  f.m_PointX = 2, f.m_PointY = 3, f.m_PointU = 420, f.m_PointV = 300;
  f.m_bU = 420, f.m_bV = 300, f.m_tU = 470, f.m_tV = 330, f.m_ZValue = 10;
  f.m_WorldOriginU = 320, f.m_WorldOriginV = 240;
  model->m_Vz[2] = -1;
  CalculateReferenceScales(*model, f);
  StoreReferenceParameters(*model, f.m_a, f.m_b, f.m_A, 320, 240);
  CPointFields p;
  p.m_U = 470, p.m_V = 330, p.m_Z = 10;
  CalculateXY(*model, p);
  EXPECT_NEAR(p.m_X, 2, kRoundOff);
  EXPECT_NEAR(p.m_Y, 3, kRoundOff);
  p.m_bU = 420, p.m_bV = 300, p.m_tU = 470, p.m_tV = 330;
  CalculateZ(*model, p);
  EXPECT_NEAR(p.m_Z, 10, kRoundOff);
  CalculateImagePosition(*model, p);
  EXPECT_NEAR(p.m_bU, 470, kRoundOff);
  EXPECT_NEAR(p.m_bV, 330, kRoundOff);
}

TEST_F(PointMeasurement, OkAddsARecordWithTheNextId) {
  CPointFields f;
  f.m_U = 470, f.m_V = 330, f.m_X = 2, f.m_Y = 3, f.m_Z = 10;
  f.m_nPointID = 42;  // edited: has no effect
  AddViewPoint(*model, f);
  ASSERT_EQ(model->m_Points.GetCount(), 1);
  const CViewPoint& point = *model->m_Points.ElementAt(0);
  EXPECT_EQ(point.m_u, 150);
  EXPECT_EQ(point.m_v, 90);
  EXPECT_EQ(point.m_id, 0);
  EXPECT_EQ(point.m_x, 2);
  EXPECT_EQ(point.m_z, 10);
  EXPECT_EQ(point.m_refX, -1);
  EXPECT_EQ(point.m_refZ, -1);
  EXPECT_EQ(model->m_nMaxId, 0);
  AddViewPoint(*model, f);
  EXPECT_EQ(model->m_Points.ElementAt(1)->m_id, 1);
}

TEST_F(PointMeasurement, GetRefTakesTheEarlierOfTwoEqualIds) {
  for (double x : {11.0, 22.0}) {
    auto* point = new CViewPoint;
    point->m_id = 0;
    point->m_x = x;
    point->m_y = x + 1;
    point->m_z = x + 2;
    model->m_Points.Add(point);
  }
  CPointFields f;
  f.m_X = -1, f.m_Y = -2, f.m_Z = -3;
  f.m_nRefX = 0, f.m_nRefZ = 0;
  GetReferences(*model, f);
  EXPECT_EQ(f.m_X, 11);
  EXPECT_EQ(f.m_Y, -2);
  EXPECT_EQ(f.m_Z, 13);
  f.m_nRefY = 99;  // matches nothing
  GetReferences(*model, f);
  EXPECT_EQ(f.m_Y, -2);
}

TEST(PointMeasurementDegenerate, InputsThatMeanNothingAreNamed) {
  CScriptedServices services;
  auto unset = AxisAlignedScene();  // no reference parameters
  CPointFields f;
  f.m_U = 400, f.m_V = 300, f.m_bU = 420, f.m_bV = 300, f.m_tU = 470, f.m_tV = 330;
  EXPECT_EQ(CalculateZ(*unset, f), "A is 0: set the reference parameters (GetParameter) first.");
  EXPECT_NE(CalculateXY(*unset, f).find("no homography"), std::string::npos);
  EXPECT_NE(CalculateImagePosition(*unset, f).find("no homography"), std::string::npos);

  // A scene whose ground has a finite vanishing line v' = 1 (Vy = (0, 1, 1)).
  auto tilted = AxisAlignedScene();
  tilted->m_Vy[2] = 1;
  CReferenceFields r;
  r.m_PointX = 2, r.m_PointY = 3, r.m_PointU = 420, r.m_PointV = 230;
  r.m_bU = 420, r.m_bV = 230, r.m_tU = 420, r.m_tV = 200, r.m_ZValue = 10;
  r.m_WorldOriginU = 320, r.m_WorldOriginV = 200;
  EXPECT_EQ(CalculateReferenceScales(*tilted, r), "");
  StoreReferenceParameters(*tilted, r.m_a, r.m_b, r.m_A, 320, 200);
  CPointFields onLine;
  onLine.m_U = 500, onLine.m_V = 241;
  EXPECT_EQ(CalculateXY(*tilted, onLine),
            "The point lies on the vanishing line of the ground plane: it has no position on the plane.");
  CPointFields sameEnds;
  sameEnds.m_bU = sameEnds.m_tU = 400, sameEnds.m_bV = sameEnds.m_tV = 100;
  EXPECT_EQ(CalculateZ(*tilted, sameEnds), "Point b and point t must differ: the vertical segment has no length.");
  CPointFields footOnLine;
  footOnLine.m_bU = 400, footOnLine.m_bV = 241, footOnLine.m_tU = 400, footOnLine.m_tV = 100;
  EXPECT_EQ(CalculateZ(*tilted, footOnLine), "Point b must not lie on the vanishing line of the ground plane.");
  // The ground point at infinity along Y has no finite image: a direction, not a point.
  CPointFields far;
  far.m_X = 0, far.m_Y = 1e300, far.m_Z = 0;
  CalculateImagePosition(*tilted, far);
}

}  // namespace
