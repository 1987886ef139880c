// What the overlays draw over the photograph, read back from the view's OpenGL surface: the
// vanishing points where they lie, the world origin with its axes along the directions a known
// camera gives them, a dark outline beside every coloured line, and selected rows brighter and
// thicker; the reference points where GetParameter was given them. Overlays are on for a new
// user.

#include "AppFixture.h"
#include "../metrology/SyntheticReference.h"
#include "SyntheticScene.h"
#include "app/PointsAndFacesDock.h"
#include "app/SegmentsPanel.h"
#include "dialogs/DialogforParameter.h"
#include "metrology/ReferenceParameters.h"
#include "metrology/VanishingPoints.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"

#include <QTableWidget>

#include <cmath>
#include <random>

namespace {

bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 90 && qBlue(c) < 90; }
bool IsGreen(QRgb c) { return qGreen(c) > 180 && qRed(c) < 90 && qBlue(c) < 90; }
bool IsBlue(QRgb c) { return qBlue(c) > 200 && qRed(c) < 110 && qGreen(c) < 150; }
bool IsDark(QRgb c) { return qRed(c) < 40 && qGreen(c) < 40 && qBlue(c) < 40; }

class OverlayDrawing : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_TRUE(WaitForOpenGL()) << "no OpenGL context";
    ASSERT_TRUE(View().OverlaysShown()) << "overlays are on for a new user";
  }
  QImage Shown() { return PaintedFrame(); }
  // The device pixel that shows a photograph position.
  QPoint DevicePixel(double x, double y) {
    const QPointF device = View().DeviceAt(QPointF(x, y));
    return QPoint(static_cast<int>(std::floor(device.x())), static_cast<int>(std::floor(device.y())));
  }
  // Whether some device pixel within one of `at` passes the test.
  static bool Near(const QImage& frame, QPoint at, bool (*test)(QRgb)) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (test(frame.pixel(at + QPoint(dx, dy)))) return true;
    return false;
  }
};

TEST_F(OverlayDrawing, AFiniteVanishingPointIsMarkedWhereItLies) {
  LoadPhotograph(UniformPhotograph("photo.bmp", 400, 300));
  // The X vanishing point at photograph pixel (260, 190), in centred homogeneous form scaled by −2.
  const double vx[3] = {-2 * 60.0, -2 * 40.0, -2.0};
  std::copy(vx, vx + 3, Model()->m_Vx);
  const QImage frame = Shown();
  const QPoint centre = DevicePixel(260, 190);
  // The cross's arms reach past its ring, in the direction's colour.
  for (const QPoint arm : {QPoint(9, 0), QPoint(-9, 0), QPoint(0, 9), QPoint(0, -9)})
    EXPECT_TRUE(IsRed(frame.pixel(centre + arm))) << arm.x() << ", " << arm.y();
  // The ring, off the arms.
  const QPoint ring(static_cast<int>(std::lround(7 * std::cos(0.6))), static_cast<int>(std::lround(7 * std::sin(0.6))));
  EXPECT_TRUE(Near(frame, centre + ring, IsRed));
  EXPECT_FALSE(Near(frame, centre + QPoint(20, 20), IsRed)) << "nothing beside it";

  // At infinity it has no place on the photograph: only the direction's dashed line remains.
  Model()->m_Vx[2] = 0;
  EXPECT_FALSE(IsRed(Shown().pixel(centre + QPoint(9, 0))));
}

// A camera over boxes: the vanishing points from its edges, the reference parameters from its
// corners; the origin's axes must leave the origin where the camera puts the points a little
// way along each axis.
TEST_F(OverlayDrawing, TheWorldOriginsAxesPointAlongTheWorldAxes) {
  std::mt19937 random(7);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 640, 480, true);
  LoadPhotograph(Photograph("white.bmp", 640, 480, [](int, int) { return std::array<unsigned char, 3>{255, 255, 255}; }));
  ASSERT_TRUE(View().IsPlainView());
  CSingleImage& model = *Model();
  double* vanishing[3] = {model.m_Vx, model.m_Vy, model.m_Vz};
  for (int axis = 0; axis < 3; ++axis) {
    CSegmentList lines;
    for (const CPixelSegment& s : scene.EdgesAlong(axis)) lines.Add(MakeSegment(model, s[0], s[1], s[2], s[3]));
    const std::array<double, 3> point = EstimateVanishingPoint(lines, kVanishingPointSvdTolerance);
    lines.RemoveAll();
    std::copy(point.begin(), point.end(), vanishing[axis]);
  }
  CReferenceFields f = SyntheticReference(scene);
  ASSERT_EQ(CalculateReferenceScales(model, f), "");
  StoreReferenceParameters(model, f.m_a, f.m_b, f.m_A, f.m_WorldOriginU, f.m_WorldOriginV);

  const QImage frame = Shown();
  const auto origin = scene.Pixel(0, 0, 0);
  ASSERT_TRUE(origin[0] > 50 && origin[0] < 590 && origin[1] > 50 && origin[1] < 430) << "the origin is in view";
  bool (*const colours[3])(QRgb) = {IsRed, IsGreen, IsBlue};
  for (int axis = 0; axis < 3; ++axis) {
    double world[3] = {0, 0, 0};
    world[axis] = 1e-4;
    const auto along = scene.Pixel(world[0], world[1], world[2]);
    const double dx = along[0] - origin[0], dy = along[1] - origin[1], length = std::hypot(dx, dy);
    // 25 device pixels out along the axis, and the same distance the other way.
    const QPoint ahead = DevicePixel(origin[0] + 25 * dx / length, origin[1] + 25 * dy / length);
    const QPoint behind = DevicePixel(origin[0] - 25 * dx / length, origin[1] - 25 * dy / length);
    EXPECT_TRUE(Near(frame, ahead, colours[axis])) << "axis " << axis;
    EXPECT_FALSE(Near(frame, behind, colours[axis])) << "axis " << axis;
  }
}

// The whole road through the dialogs: segments typed from the camera's box edges, "Caculate ",
// GetParameter with the camera's reference points; then the second ground point and the
// reference segment are drawn in orange where they were typed.
TEST_F(OverlayDrawing, TheReferencePointsAreDrawnWhereTheyWereTyped) {
  std::mt19937 random(7);
  const CSyntheticScene scene = CSyntheticScene::Random(random, 640, 480, true);
  LoadPhotograph(Photograph("white.bmp", 640, 480, [](int, int) { return std::array<unsigned char, 3>{255, 255, 255}; }));
  const int commands[3] = {ID_INPUT_VX, ID_INPUT_VY, ID_INPUT_VZ};
  for (int axis = 0; axis < 3; ++axis)
    for (const CPixelSegment& s : scene.EdgesAlong(axis)) {
      services->ScriptDialog([s](CDialogDriver& d) {
        for (int k = 0; k < 4; ++k) d.Type(1000 + k, FormatDoubleField(s[k]));
        d.PressOk();
      });
      Command(commands[axis]);
    }
  Command(ID_CALCULATE_VANISHING_POINTS);
  const CReferenceFields f = SyntheticReference(scene);
  services->ScriptDialog([&](CDialogDriver& d) {
    d.Type(1015, FormatDoubleField(f.m_WorldOriginU)), d.Type(1016, FormatDoubleField(f.m_WorldOriginV));
    d.Type(1001, FormatDoubleField(f.m_PointX)), d.Type(1002, FormatDoubleField(f.m_PointY));
    d.Type(1003, FormatDoubleField(f.m_PointU)), d.Type(1004, FormatDoubleField(f.m_PointV));
    d.Type(1005, FormatDoubleField(f.m_bU)), d.Type(1006, FormatDoubleField(f.m_bV));
    d.Type(1007, FormatDoubleField(f.m_tU)), d.Type(1008, FormatDoubleField(f.m_tV));
    d.Type(1009, FormatDoubleField(f.m_ZValue));
    d.Press(IDC_CALCULATE_PARAMETERS);
    d.PressOk();
  });
  Command(ID_GET_PARAMETER);
  ASSERT_TRUE(services->messages.empty()) << services->messages.front();
  ASSERT_TRUE(app->Document().Session().Replayed().parameters.has_value());

  const QImage frame = Shown();
  const auto orange = [](QRgb c) { return qRed(c) > 200 && qGreen(c) > 100 && qGreen(c) < 200 && qBlue(c) < 80; };
  // The diamond round the second ground point: the middle of each of its sides, 5 device pixels
  // from the point along both axes.
  const QPoint ground = DevicePixel(f.m_PointU, f.m_PointV);
  for (const QPoint side : {QPoint(3, 2), QPoint(-2, 3), QPoint(-3, -2), QPoint(2, -3)})
    EXPECT_TRUE(Near(frame, ground + side, orange)) << side.x() << ", " << side.y();
  EXPECT_FALSE(Near(frame, ground, orange)) << "open in the middle";
  // The reference segment from the foot to the top.
  for (const double t : {0.25, 0.5, 0.75}) {
    const QPoint along = DevicePixel(f.m_bU + t * (f.m_tU - f.m_bU), f.m_bV + t * (f.m_tV - f.m_bV));
    EXPECT_TRUE(Near(frame, along, orange)) << t;
  }
}

// On a white photograph a coloured line one device pixel wide has dark pixels on either side.
TEST_F(OverlayDrawing, EveryLineHasADarkOutline) {
  LoadPhotograph(Photograph("white.bmp", 300, 200, [](int, int) { return std::array<unsigned char, 3>{255, 255, 255}; }));
  View().m_XLines.Add(MakeSegment(*Model(), 40, 50, 200, 50));
  View().m_ZLines.Add(MakeSegment(*Model(), 250, 30, 250, 150));
  const QImage frame = Shown();
  for (int x = 60; x <= 180; x += 20) {
    const QPoint on = DevicePixel(x, 50);
    EXPECT_TRUE(IsRed(frame.pixel(on))) << x;
    EXPECT_TRUE(IsDark(frame.pixel(on + QPoint(0, -1)))) << x;
    EXPECT_TRUE(IsDark(frame.pixel(on + QPoint(0, 1)))) << x;
    EXPECT_EQ(frame.pixel(on + QPoint(0, 3)), qRgb(255, 255, 255)) << "one pixel of outline, no more";
  }
  for (int y = 50; y <= 130; y += 20) {
    const QPoint on = DevicePixel(250, y);
    EXPECT_TRUE(IsBlue(frame.pixel(on))) << y;
    EXPECT_TRUE(IsDark(frame.pixel(on + QPoint(-1, 0)))) << y;
    EXPECT_TRUE(IsDark(frame.pixel(on + QPoint(1, 0)))) << y;
  }
}

TEST_F(OverlayDrawing, ARowSelectedInTheTableIsDrawnThicker) {
  LoadPhotograph(Photograph("white.bmp", 300, 200, [](int, int) { return std::array<unsigned char, 3>{255, 255, 255}; }));
  // The table first: the view it narrows keeps its place for the rest.
  Command(ID_VIEW_POINTS_AND_FACES);
  QTest::qWait(20);
  const int bottom = View().ClientSize().height() - 1;
  services->ScriptDialog([](CDialogDriver& d) { d.PressOk(); });
  const qreal ratio = View().devicePixelRatioF();
  DoubleClick(QPoint(qRound(120 / ratio), qRound((bottom - 80) / ratio)));
  ASSERT_EQ(Model()->m_Points.GetCount(), 1);
  const CViewPoint& point = *Model()->m_Points.ElementAt(0);
  const QPoint centre = DevicePixel(point.m_u + 150, point.m_v + 100);
  const auto yellow = [](QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 180; };
  // A pixel beside the cross's horizontal arm: outline when plain, the arm itself when selected.
  const QPoint beside = centre + QPoint(-3, 1);
  QImage frame = Shown();
  EXPECT_TRUE(yellow(frame.pixel(centre + QPoint(-3, 0))));
  EXPECT_TRUE(IsDark(frame.pixel(beside)));

  Frame().PointsAndFaces()->PointsTable()->selectRow(0);
  EXPECT_EQ(View().Highlights().points, std::set<int>{0});
  frame = Shown();
  EXPECT_TRUE(yellow(frame.pixel(beside)));
  EXPECT_TRUE(IsDark(frame.pixel(centre + QPoint(-3, 2))));

  Frame().PointsAndFaces()->PointsTable()->clearSelection();
  EXPECT_TRUE(View().Highlights().points.empty());
  EXPECT_TRUE(IsDark(Shown().pixel(beside)));
}

TEST_F(OverlayDrawing, ASegmentSelectedInItsTableIsDrawnThicker) {
  LoadPhotograph(Photograph("white.bmp", 300, 200, [](int, int) { return std::array<unsigned char, 3>{255, 255, 255}; }));
  Command(ID_VIEW_POINTS_AND_FACES);
  QTest::qWait(20);
  for (const char* y : {"60", "140"}) {
    services->ScriptDialog([y](CDialogDriver& d) {
      d.Type(1000, "40"), d.Type(1001, y), d.Type(1002, "200"), d.Type(1003, y);
      d.PressOk();
    });
    Command(ID_INPUT_VX);
  }
  ASSERT_EQ(View().m_XLines.GetCount(), 2);
  const QPoint beside = DevicePixel(120, 140) + QPoint(0, 1);
  EXPECT_TRUE(IsDark(Shown().pixel(beside)));

  QTableWidget& table = *Frame().PointsAndFaces()->SegmentsPanel()->Table();
  ASSERT_EQ(table.rowCount(), 2);
  table.selectRow(1);
  EXPECT_EQ(View().Highlights().segments[0], std::set<int>{1});
  const QImage frame = Shown();
  // Brighter: red towards white.
  const QRgb highlighted = frame.pixel(beside);
  EXPECT_GT(qRed(highlighted), 200);
  EXPECT_GT(qGreen(highlighted), 90);
  EXPECT_LT(qGreen(highlighted), 160);
  EXPECT_EQ(frame.pixel(beside + QPoint(0, -1)), highlighted) << "three device pixels wide";
  EXPECT_TRUE(IsDark(frame.pixel(DevicePixel(120, 60) + QPoint(0, 1)))) << "the other segment stays plain";
}

}  // namespace
