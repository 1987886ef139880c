// A top clicked beside the image of its vertical: heights and the vertical scale are read from
// the nearest point of that vertical, so they no longer hang on how near the vertical passes the
// image centre; tops on it give what they always gave.

#include "MetrologyExamples.h"
#include "ScriptedServices.h"
#include "SyntheticReference.h"
#include "SyntheticScene.h"
#include "dialogs/GetPointDialog.h"
#include "metrology/PointMeasurement.h"
#include "metrology/ReferenceParameters.h"
#include "metrology/VanishingPoints.h"
#include "metrology/VerticalScale.h"
#include "numerics/Matrix.h"
#include "services/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// How far the moved top may change a height: far below what the top moved along its vertical
// by a pixel would change it (about 0.6 %).
constexpr double kBesideTheVertical = 1e-3;
// The height read from the top as typed changes by about (pixels off the line) / (the line's
// distance from the image centre): about 5 % a pixel at 10 pixels.
constexpr double kUnmovedSensitivity = 0.03;
// A top on its vertical: the move is rounding only.
constexpr double kExactTop = 1e-12;

// The height from the top as typed, without the move: −σ‖b × t‖ / (d · ‖Vz × t‖ · A).
double HeightFromTypedTop(const CSingleImage& model, const std::array<double, 2>& foot, const std::array<double, 2>& top) {
  const CMatrix matrix;
  const double b[3] = {foot[0] - model.GetWidth() / 2.0, foot[1] - model.GetHeight() / 2.0, 1};
  const double t[3] = {top[0] - model.GetWidth() / 2.0, top[1] - model.GetHeight() / 2.0, 1};
  double bt[3], vt[3];
  matrix.CrossProduct(b, t, bt);
  matrix.CrossProduct(model.m_Vz, t, vt);
  const double sign = matrix.DotProduct(bt, vt) < 0 ? -1 : 1;
  return -sign * matrix.VectorNorm(bt, 3) / (matrix.DotProduct(model.m_lScale, b) * matrix.VectorNorm(vt, 3) * model.m_A);
}

// A level camera aimed at the middle of the first box's vertical edge at (2, 2), its principal
// point 10 pixels right of the photograph's centre: that edge's image is the column 10 pixels
// right of the centre, and a pixel to its side is a pixel along u.
CSyntheticScene SceneWithAVerticalNearTheCentre() {
  const std::vector<CBox> boxes = {{{0, 0, 0}, {2, 2, 1.5}}, {{4, -2.5, 0}, {6, -0.5, 2.2}}, {{-2.5, 3.5, 0}, {-1, 5, 1.2}}};
  CPinholeCamera camera;
  camera.focal = 1100;
  camera.yaw = 0.3 * std::numbers::pi;
  camera.pitch = 0.45;
  const double target[3] = {2, 2, 0.75}, distance = 14;
  camera.position[0] = target[0] - distance * std::cos(camera.pitch) * std::cos(camera.yaw);
  camera.position[1] = target[1] - distance * std::cos(camera.pitch) * std::sin(camera.yaw);
  camera.position[2] = target[2] + distance * std::sin(camera.pitch);
  camera.principalOffset[0] = 10;
  return CSyntheticScene(1024, 768, camera, boxes);
}

std::unique_ptr<CSingleImage> MeasuredScene(const CSyntheticScene& scene, CReferenceFields reference) {
  auto model = EmptyPhotograph(scene.Width(), scene.Height());
  CSegmentList lists[3];
  for (int axis = 0; axis < 3; ++axis)
    for (const auto& s : scene.EdgesAlong(axis)) lists[axis].Add(MakeSegment(*model, s[0], s[1], s[2], s[3]));
  EXPECT_EQ(CalculateVanishingPoints(*model, lists[0], lists[1], lists[2]), "");
  for (CSegmentList& list : lists) list.RemoveAll();
  EXPECT_EQ(CalculateReferenceScales(*model, reference), "");
  StoreReferenceParameters(*model, reference.m_a, reference.m_b, reference.m_A, reference.m_WorldOriginU,
                           reference.m_WorldOriginV);
  return model;
}

TEST(TopOnVertical, APixelBesideTheVerticalNoLongerChangesTheHeight) {
  CScriptedServices services;
  const CSyntheticScene scene = SceneWithAVerticalNearTheCentre();
  const auto foot = scene.Pixel(2, 2, 0), top = scene.Pixel(2, 2, 1.5);
  ASSERT_NEAR(foot[0] - scene.Width() / 2.0, 10, 1e-9);
  ASSERT_NEAR(top[0] - scene.Width() / 2.0, 10, 1e-9);

  // The height of the edge with the reference elsewhere, and the reference on the edge itself.
  CReferenceFields onEdge = SyntheticReference(scene);
  onEdge.m_bU = foot[0], onEdge.m_bV = foot[1], onEdge.m_tU = top[0], onEdge.m_tV = top[1], onEdge.m_ZValue = 1.5;
  const auto model = MeasuredScene(scene, SyntheticReference(scene));
  const auto exactA = MeasuredScene(scene, onEdge)->m_A;

  CPointFields exact;
  exact.m_bU = foot[0], exact.m_bV = foot[1], exact.m_tU = top[0], exact.m_tV = top[1];
  ASSERT_EQ(CalculateZ(*model, exact), "");
  EXPECT_NEAR(exact.m_Z, 1.5, 1.5e-6);
  EXPECT_NEAR(TopOffVertical(*model, exact), 0, 1e-6);

  for (double side : {-1.0, 1.0}) {
    const std::array<double, 2> beside = {top[0] + side, top[1]};
    CPointFields moved = exact;
    moved.m_tU = beside[0];
    ASSERT_EQ(CalculateZ(*model, moved), "");
    EXPECT_NEAR(TopOffVertical(*model, moved), 1, 1e-6) << side;
    EXPECT_LT(std::fabs(moved.m_Z / exact.m_Z - 1), kBesideTheVertical) << "side " << side << ": " << moved.m_Z;
    const double unmoved = HeightFromTypedTop(*model, foot, beside);
    EXPECT_GT(std::fabs(unmoved / exact.m_Z - 1), kUnmovedSensitivity) << "side " << side << ": " << unmoved;

    CReferenceFields reference = onEdge;
    reference.m_tU = beside[0];
    const auto scaled = MeasuredScene(scene, reference);
    EXPECT_LT(std::fabs(scaled->m_A / exactA - 1), kBesideTheVertical) << "side " << side;
    EXPECT_NEAR(TopOffVertical(*scaled, reference), 1, 1e-6) << side;
  }
}

TEST(TopOnVertical, TopsOnTheVerticalGiveWhatTheyAlwaysGave) {
  CScriptedServices services;
  std::mt19937 random(19);
  for (int trial = 0; trial < 10; ++trial) {
    const CSyntheticScene scene = CSyntheticScene::Random(random, 1024, 768, trial % 2 == 0);
    const auto model = MeasuredScene(scene, SyntheticReference(scene));
    for (const auto& [X, Y, Z] : scene.Corners()) {
      if (Z == 0) continue;
      // The top put on the line through the foot and the model's own vertical vanishing point.
      const auto foot = scene.Pixel(X, Y, 0), camera = scene.Pixel(X, Y, Z);
      const double* vz = model->m_Vz;
      const double hw = scene.Width() / 2.0, hh = scene.Height() / 2.0;
      const double vanishing[2] = {vz[0] / vz[2] + hw, vz[1] / vz[2] + hh};
      const double along = (camera[1] - foot[1]) / (vanishing[1] - foot[1]);
      const std::array<double, 2> top = {foot[0] + along * (vanishing[0] - foot[0]), camera[1]};
      CPointFields f;
      f.m_bU = foot[0], f.m_bV = foot[1], f.m_tU = top[0], f.m_tV = top[1];
      ASSERT_EQ(CalculateZ(*model, f), "");
      EXPECT_NEAR(f.m_Z / HeightFromTypedTop(*model, foot, top), 1, kExactTop) << "trial " << trial;
      EXPECT_NEAR(f.m_Z, Z, 1e-5 * Z) << "trial " << trial;
    }
  }
  // The worked scene: Vz = (0, 0, 1) is the image centre, and (470, 330) lies on the line from it
  // through (420, 300) exactly.
  auto worked = AxisAlignedScene();
  CReferenceFields f;
  f.m_PointX = 2, f.m_PointY = 3, f.m_PointU = 420, f.m_PointV = 300, f.m_WorldOriginU = 320, f.m_WorldOriginV = 240;
  f.m_bU = 420, f.m_bV = 300, f.m_tU = 470, f.m_tV = 330, f.m_ZValue = 10;
  CalculateReferenceScales(*worked, f);
  EXPECT_EQ(f.m_A, -1.0 / 30);
  EXPECT_EQ(TopOffVertical(*worked, f), 0);
}

TEST(TopOnVertical, ThePointDialogShowsHowFarTheTopWasOff) {
  CScriptedServices services;
  auto model = AxisAlignedScene();
  CReferenceFields r;
  r.m_PointX = 2, r.m_PointY = 3, r.m_PointU = 420, r.m_PointV = 300, r.m_WorldOriginU = 320, r.m_WorldOriginV = 240;
  r.m_bU = 420, r.m_bV = 300, r.m_tU = 470, r.m_tV = 330, r.m_ZValue = 10;
  CalculateReferenceScales(*model, r);
  StoreReferenceParameters(*model, r.m_a, r.m_b, r.m_A, 320, 240);

  // The vertical through (420, 300) runs from the centre (320, 240) along (5, 3); a top moved
  // by k·(−3, 5)/√34 from (470, 330) is k pixels off it and has the same height.
  struct Case {
    double pixelsOff;
    bool warned;
  };
  for (const Case& c : {Case{0, false}, Case{1.5, false}, Case{2.5, true}, Case{-7, true}}) {
    CGetPointDialog dialog(*model);
    dialog.OnInitDialog();
    EXPECT_FALSE(dialog.TopDistance());
    const double step = c.pixelsOff / std::sqrt(34.0);
    const std::map<int, double> typed = {{1005, 420}, {1006, 300}, {1007, 470 - 3 * step}, {1008, 330 + 5 * step}};
    for (const auto& [id, value] : typed) dialog.SetControlText(id, FormatDoubleField(value));
    dialog.OnButton(IDC_CALCULATE_Z);
    EXPECT_TRUE(services.messages.empty());
    ASSERT_TRUE(dialog.TopDistance()) << c.pixelsOff;
    EXPECT_NEAR(*dialog.TopDistance(), std::fabs(c.pixelsOff), 1e-9);
    EXPECT_NEAR(dialog.m_Z, 10, 1e-9) << c.pixelsOff;
    const std::string warning = dialog.TopWarning();
    EXPECT_EQ(!warning.empty(), c.warned) << c.pixelsOff << ": " << warning;
    if (c.warned) {
      EXPECT_NE(warning.find("the top is not above its foot"), std::string::npos) << warning;
      EXPECT_NE(warning.find(FormatFixed(std::fabs(c.pixelsOff), 1) + " pixels"), std::string::npos) << warning;
    }
  }
}

}  // namespace
