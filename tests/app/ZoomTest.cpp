// Zooming the photograph: the wheel and the View menu, positions to a fraction of a pixel.

#include "AppFixture.h"

#include <QWheelEvent>

#include <cmath>
#include <cstdio>

namespace {

class Zoom : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    LoadPhotograph(Photograph("checks.bmp", 640, 480, [](int x, int y) {
      return std::array<unsigned char, 3>{static_cast<unsigned char>((x + y) % 2 ? 250 : 10),
                                          static_cast<unsigned char>(x % 256), static_cast<unsigned char>(y % 256)};
    }));
    ratio = View().devicePixelRatioF();
  }
  void Wheel(QPointF logical, int steps) {
    QWheelEvent wheel(logical, View().mapToGlobal(logical), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&View(), &wheel);
  }
  // The echo's position as two numbers.
  std::pair<double, double> Echo() {
    double x = 0, y = 0;
    EXPECT_EQ(std::sscanf(Frame().MessageText().c_str(), "x = %lf, y = %lf", &x, &y), 2) << Frame().MessageText();
    return {x, y};
  }
  QPointF LogicalAt(double x, double y) { return View().DeviceAt(QPointF(x, y)) / ratio; }
  qreal ratio = 1;
};

TEST_F(Zoom, TheWheelKeepsThePhotographPixelUnderTheCursor) {
  const QPointF cursor(203, 151);
  MoveTo(cursor);
  const auto [x0, y0] = Echo();
  for (int step : {1, 1, 1, -1, -1, -1}) {
    Wheel(cursor, step);
    MoveTo(cursor);
    const auto [x, y] = Echo();
    EXPECT_EQ(std::lround(x), std::lround(x0)) << "zoom " << View().Zoom();
    EXPECT_EQ(std::lround(y), std::lround(y0)) << "zoom " << View().Zoom();
  }
  EXPECT_EQ(View().Zoom(), 1.0);
  EXPECT_TRUE(View().IsPlainView());
  EXPECT_EQ(Frame().MessageText(), "x = " + std::to_string(std::lround(x0)) + ", y = " + std::to_string(std::lround(y0)));
}

TEST_F(Zoom, TheEchoNamesThePixelUnderTheCursorRightAfterTheWheel) {
  const QPointF cursor(203, 151);
  MoveTo(cursor);
  Wheel(cursor, 1);
  const auto [x, y] = Echo();
  const QPointF photo = View().PhotoPositionAt(cursor * ratio);
  EXPECT_DOUBLE_EQ(x, std::round(photo.x() * 100) / 100);
  EXPECT_DOUBLE_EQ(y, std::round(photo.y() * 100) / 100);
  EXPECT_NE(Frame().MessageText().find('.'), std::string::npos) << "zoomed echoes carry decimals";
}

TEST_F(Zoom, ZoomedDoubleClicksPlacePointsToAFractionOfAPixel) {
  Command(ID_VIEW_ZOOM_IN);
  Command(ID_VIEW_ZOOM_IN);
  ASSERT_EQ(View().Zoom(), 4.0);
  std::vector<std::pair<std::string, std::string>> opened;
  for (double x : {120.0, 120.25}) {
    services->ScriptDialog([&](CDialogDriver& d) {
      opened.emplace_back(d.Text(1022), d.Text(1023));
      d.PressCancel();
    });
    const QPointF at = LogicalAt(x, 80);
    DoubleClick(at.toPoint() == at ? at.toPoint() : QPoint());  // the release events need a QPoint
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, at, View().mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    QApplication::sendEvent(&View(), &doubleClick);
  }
  ASSERT_GE(opened.size(), 2u);
  EXPECT_EQ(opened[opened.size() - 2], (std::pair<std::string, std::string>{"120", "80"}));
  EXPECT_EQ(opened.back(), (std::pair<std::string, std::string>{"120.25", "80"}));
  MoveTo(LogicalAt(120, 80));
  EXPECT_EQ(Frame().MessageText(), "x = 120.00, y = 80.00");
  Command(ID_VIEW_ACTUAL_PIXELS);
  EXPECT_TRUE(View().IsPlainView());
}

TEST_F(Zoom, PanningWhileZoomedMovesByPhotographPixels) {
  Command(ID_VIEW_ZOOM_IN);
  Command(ID_VIEW_ZOOM_IN);
  const QPointF before = View().DeviceAt(QPointF(100, 100));
  Press(QPoint(300, 300));
  MoveTo(QPointF(300 + 8 / ratio, 300));
  Release(QPoint(300, 300));
  const QPointF after = View().DeviceAt(QPointF(100, 100));
  EXPECT_NEAR(after.x() - before.x(), -8.0, 1e-9);  // the picture moves against the mouse
  EXPECT_NEAR(after.y() - before.y(), 0.0, 1e-9);
}

TEST_F(Zoom, MagnifiedPixelsAreCrispSquares) {
  for (int attempt = 0; attempt < 100 && !View().m_glContext.m_hRC; ++attempt) QTest::qWait(10);
  Command(ID_VIEW_ZOOM_IN);
  Command(ID_VIEW_ZOOM_IN);
  View().RepaintNow();
  const QImage frame = View().m_glContext.Surface()->grabFramebuffer();
  // Every device pixel inside the displayed photograph pixel under the view's centre has that
  // pixel's colour: nearest texels, no blending with the neighbours.
  const QPointF middle = View().PhotoPositionAt(QPointF(frame.width() / 2.0, frame.height() / 2.0));
  const int px = static_cast<int>(std::lround(middle.x())), py = static_cast<int>(std::lround(middle.y()));
  const QPointF centre = View().DeviceAt(QPointF(px, py));
  const QRgb expected = qRgb((px + py) % 2 ? 250 : 10, px % 256, py % 256);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const QRgb shown = frame.pixel(static_cast<int>(centre.x()) + dx, static_cast<int>(centre.y()) + dy);
      EXPECT_EQ(shown, expected) << dx << ", " << dy;
    }
}

}  // namespace

#include "metrology/VanishingPoints.h"

namespace {

class Overlays : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    for (int attempt = 0; attempt < 100 && !View().m_glContext.m_hRC; ++attempt) QTest::qWait(10);
    LoadPhotograph(UniformPhotograph("grey.bmp", 300, 200));
  }
  QImage Frame() {
    View().RepaintNow();
    return View().m_glContext.Surface()->grabFramebuffer();
  }
  QRgb ShownAt(const QImage& frame, int x, int y) {
    return frame.pixel(x - View().m_nPanX, frame.height() - 1 - (y - View().m_nPanY));
  }
};

TEST_F(Overlays, SegmentsShowInTheirDirectionsColourAndOffLeavesThePhotographAlone) {
  ASSERT_TRUE(View().OverlaysShown());  // on for a new user
  Command(ID_VIEW_OVERLAYS);
  ASSERT_FALSE(View().OverlaysShown());
  const QImage plain = Frame();
  View().m_XLines.Add(MakeSegment(*Model(), 10, 10, 100, 10));
  View().m_ZLines.Add(MakeSegment(*Model(), 150, 20, 150, 120));
  EXPECT_TRUE(Frame() == plain);  // off: not drawn
  Command(ID_VIEW_OVERLAYS);
  ASSERT_TRUE(View().OverlaysShown());
  const QImage shown = Frame();
  const QRgb red = ShownAt(shown, 50, 10), blue = ShownAt(shown, 150, 70);
  EXPECT_GT(qRed(red), 200);
  EXPECT_LT(qGreen(red), 80);
  EXPECT_GT(qBlue(blue), 200);
  EXPECT_LT(qRed(blue), 80);
  EXPECT_EQ(ShownAt(shown, 50, 60), qRgb(90, 160, 30));  // away from every overlay: the photograph
  Command(ID_VIEW_OVERLAYS);
  EXPECT_TRUE(Frame() == plain);
}

TEST_F(Overlays, AShiftDragStoresTheSegmentTheDialogWouldStore) {
  const int ch = View().ClientSize().height();
  const QPoint from(30, 150), to(120, 90);
  QTest::mousePress(&View(), Qt::LeftButton, Qt::ShiftModifier, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), View().mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                   Qt::ShiftModifier);
  QApplication::sendEvent(&View(), &move);
  services->menuAnswers.push_back(1);  // "Y"
  QTest::mouseRelease(&View(), Qt::LeftButton, Qt::ShiftModifier, to);
  EXPECT_EQ(View().m_nPanX, 0);  // it did not pan
  ASSERT_EQ(services->menusShown.size(), 1u);
  EXPECT_EQ(services->menusShown[0], (std::vector<std::string>{"X", "Y", "Z", "Cancel"}));
  ASSERT_EQ(View().m_YLines.GetCount(), 1);

  services->ScriptDialog([&](CDialogDriver& d) {
    d.Type(1000, std::to_string(from.x())), d.Type(1001, std::to_string(ch - 1 - from.y()));
    d.Type(1002, std::to_string(to.x())), d.Type(1003, std::to_string(ch - 1 - to.y()));
    d.PressOk();
  });
  Command(ID_INPUT_VY);
  ASSERT_EQ(View().m_YLines.GetCount(), 2);
  const CLineEndPoints& dragged = *View().m_YLines.ElementAt(0);
  const CLineEndPoints& typed = *View().m_YLines.ElementAt(1);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(dragged.m_Point1[k], typed.m_Point1[k]) << k;
    EXPECT_EQ(dragged.m_Point2[k], typed.m_Point2[k]) << k;
  }
  // Dismissing the menu stores nothing.
  QTest::mousePress(&View(), Qt::LeftButton, Qt::ShiftModifier, from);
  QTest::mouseRelease(&View(), Qt::LeftButton, Qt::ShiftModifier, to);
  EXPECT_EQ(View().m_XLines.GetCount() + View().m_YLines.GetCount() + View().m_ZLines.GetCount(), 2);
}

}  // namespace
