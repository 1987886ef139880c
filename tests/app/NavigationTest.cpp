// Moving about the photograph beside the left-button pan: the middle button and Space with the
// left button drag it one to one, the scroll bars and the arrow keys scroll, Fit in Window shows
// it whole, a large photograph opens fitted, and the window's layout outlives a restart. What
// the view shows is read back from its OpenGL surface.

#include "AppFixture.h"
#include "app/CameraDock.h"
#include "app/PointsAndFacesDock.h"
#include "model/SingleImage.h"

#include <QDockWidget>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTableWidget>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Every pixel of the photograph differs from its neighbours, so a frame shifted by a wrong
// amount does not match.
std::array<unsigned char, 3> Pattern(int x, int y) {
  return {static_cast<unsigned char>((x * 7 + y * 3) % 256), static_cast<unsigned char>((y * 5 + x / 16) % 256),
          static_cast<unsigned char>(40 + (x / 64 + y / 64) % 4 * 50)};
}

class Navigation : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_TRUE(WaitForOpenGL()) << "no OpenGL context";
    ratio = View().devicePixelRatioF();
  }

  QImage Shown() { return PaintedFrame(); }

  QPointF Logical(QPointF device) const { return device / ratio; }

  // A drag with the given button from one device position to another, through a move between.
  void Drag(Qt::MouseButton button, QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = {}) {
    const QPointF a = Logical(from), b = Logical(to);
    QMouseEvent press(QEvent::MouseButtonPress, a, View().mapToGlobal(a), button, button, modifiers);
    QApplication::sendEvent(&View(), &press);
    for (const QPointF& at : {(a + b) / 2, b}) {
      QMouseEvent move(QEvent::MouseMove, at, View().mapToGlobal(at), Qt::NoButton, button, modifiers);
      QApplication::sendEvent(&View(), &move);
    }
    QMouseEvent release(QEvent::MouseButtonRelease, b, View().mapToGlobal(b), button, Qt::NoButton, modifiers);
    QApplication::sendEvent(&View(), &release);
  }

  // How many device pixels of `after` differ (beyond `tolerance` in some channel) from `before`
  // moved by (dx, dy); every pixel of `after` whose source lies inside `before` counts.
  static int Mismatches(const QImage& before, const QImage& after, int dx, int dy, int tolerance) {
    int mismatches = 0;
    for (int y = 0; y < after.height(); ++y)
      for (int x = 0; x < after.width(); ++x) {
        const int sx = x - dx, sy = y - dy;
        if (sx < 0 || sy < 0 || sx >= before.width() || sy >= before.height()) continue;
        const QRgb a = after.pixel(x, y), b = before.pixel(sx, sy);
        if (std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance ||
            std::abs(qBlue(a) - qBlue(b)) > tolerance)
          ++mismatches;
      }
    return mismatches;
  }

  qreal ratio = 1;
};

struct DragCase {
  const char* name;
  bool fitted;          // the photograph fitted (a fractional zoom), else at actual pixels
  bool withSpace;       // Space and the left button, else the middle button
  int tolerance;        // in colour levels: a fractional zoom samples the texture between texels
};

class HandDrag : public Navigation, public ::testing::WithParamInterface<DragCase> {};

TEST_P(HandDrag, MovesThePhotographWithTheMouseOneToOne) {
  const DragCase& c = GetParam();
  LoadPhotograph(Photograph("pattern.bmp", 2400, 1800, Pattern));
  ASSERT_NE(Model(), nullptr);
  if (!c.fitted) Command(ID_VIEW_ACTUAL_PIXELS);
  ASSERT_EQ(View().Zoom() == 1, !c.fitted) << View().Zoom();
  const QPointF photoPoint(1200, 900);
  const QPointF deviceBefore = View().DeviceAt(photoPoint);
  const QImage before = Shown();

  const QPointF from(300, 250), to(from + QPointF(100, 40));
  if (c.withSpace) QTest::keyPress(&View(), Qt::Key_Space);
  Drag(c.withSpace ? Qt::LeftButton : Qt::MiddleButton, from, to);
  if (c.withSpace) QTest::keyRelease(&View(), Qt::Key_Space);

  EXPECT_EQ(View().m_bDragging, 0) << "not the left-button pan";
  EXPECT_FALSE(View().IsHandPanning());
  const QPointF moved = View().DeviceAt(photoPoint) - deviceBefore;
  EXPECT_NEAR(moved.x(), 100, 1e-9);
  EXPECT_NEAR(moved.y(), 40, 1e-9);
  EXPECT_EQ(View().IsPlainView(), !c.fitted) << "whole pixels stay whole";
  const QImage after = Shown();
  // The frame is the one before, 100 device pixels to the right and 40 down; by a pixel less it
  // is not.
  const int shifted = Mismatches(before, after, 100, 40, c.tolerance);
  EXPECT_LE(shifted, after.width() * after.height() / 1000) << c.name;
  EXPECT_GT(Mismatches(before, after, 99, 40, c.tolerance), after.width() * after.height() / 4) << c.name;
  std::printf("%s at zoom %.4f: %d of %d device pixels off\n", c.name, View().Zoom(), shifted,
              after.width() * after.height());
}

INSTANTIATE_TEST_SUITE_P(Cases, HandDrag,
                         ::testing::Values(DragCase{"MiddleAtActualPixels", false, false, 0},
                                           DragCase{"MiddleFitted", true, false, 2},
                                           DragCase{"SpaceLeftAtActualPixels", false, true, 0},
                                           DragCase{"SpaceLeftFitted", true, true, 2}),
                         [](const auto& info) { return info.param.name; });

TEST_F(Navigation, WithoutSpaceTheLeftButtonPansAsBefore) {
  LoadPhotograph(Photograph("pattern.bmp", 300, 200, Pattern));
  QTest::keyPress(&View(), Qt::Key_Space);
  QTest::keyRelease(&View(), Qt::Key_Space);
  Press(QPoint(100, 100));
  MoveTo(QPointF(100 + 5 / ratio, 100));
  MoveTo(QPointF(100 + 10 / ratio, 100));
  Release(QPoint(100, 100));
  EXPECT_EQ(View().m_nPanX, 15);  // press-relative: 5, then 10 more
}

// Four corners of distinct colours, each a tenth of the photograph, on grey.
std::array<unsigned char, 3> Corners(int x, int y, int width, int height) {
  const bool left = x < width / 10, right = x >= width - width / 10;
  const bool bottom = y < height / 10, top = y >= height - height / 10;
  if (left && bottom) return {250, 20, 20};
  if (right && bottom) return {20, 250, 20};
  if (right && top) return {20, 20, 250};
  if (left && top) return {250, 250, 20};
  return {128, 128, 128};
}

// The device rectangle of the frame's pixels that are not the black background.
QRect PhotographOnScreen(const QImage& frame) {
  QRect box;
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x)
      if (frame.pixel(x, y) != qRgb(0, 0, 0)) box |= QRect(x, y, 1, 1);
  return box;
}

void ExpectWholePhotograph(const QImage& frame, const char* what) {
  const QRect box = PhotographOnScreen(frame);
  ASSERT_FALSE(box.isEmpty()) << what;
  // It fills the view in one direction and is centred in the other.
  EXPECT_TRUE((box.left() <= 1 && box.right() >= frame.width() - 2) || (box.top() <= 1 && box.bottom() >= frame.height() - 2))
      << what << ": " << box.left() << ", " << box.top() << ", " << box.width() << " x " << box.height();
  EXPECT_LE(std::abs(box.left() - (frame.width() - 1 - box.right())), 2) << what;
  EXPECT_LE(std::abs(box.top() - (frame.height() - 1 - box.bottom())), 2) << what;
  const struct {
    QPoint at;
    QRgb colour;
  } corners[] = {{box.bottomLeft() + QPoint(2, -2), qRgb(250, 20, 20)},
                 {box.bottomRight() + QPoint(-2, -2), qRgb(20, 250, 20)},
                 {box.topRight() + QPoint(-2, 2), qRgb(20, 20, 250)},
                 {box.topLeft() + QPoint(2, 2), qRgb(250, 250, 20)}};
  for (const auto& corner : corners) EXPECT_EQ(frame.pixel(corner.at), corner.colour) << what;
}

TEST_F(Navigation, ALargePhotographOpensFittedAndFitInWindowShowsAnyWhole) {
  LoadPhotograph(Photograph("large.bmp", 2400, 1800, [](int x, int y) { return Corners(x, y, 2400, 1800); }));
  ASSERT_NE(Model(), nullptr);
  EXPECT_LT(View().Zoom(), 1);
  EXPECT_DOUBLE_EQ(View().Zoom(), View().FitZoom());
  ExpectWholePhotograph(Shown(), "opened");

  // Panned away and zoomed in, Fit in Window brings it back whole; Ctrl+9 is its key.
  Command(ID_VIEW_ZOOM_IN);
  Drag(Qt::MiddleButton, QPointF(200, 200), QPointF(350, 260));
  ActivateFrame();
  QTest::keyClick(&AppTest::Frame(), Qt::Key_9, Qt::ControlModifier);
  EXPECT_DOUBLE_EQ(View().Zoom(), View().FitZoom());
  ExpectWholePhotograph(Shown(), "Fit in Window");

  // A small photograph after it opens at actual pixels in the lower-left corner, as always.
  LoadPhotograph(Photograph("small.bmp", 200, 100, [](int x, int y) { return Corners(x, y, 200, 100); }));
  EXPECT_TRUE(View().IsPlainView());
  EXPECT_EQ(View().m_nPanX, 0);
  EXPECT_EQ(View().m_nPanY, 0);
  Command(ID_VIEW_FIT_IN_WINDOW);
  EXPECT_GT(View().Zoom(), 1);
  ExpectWholePhotograph(Shown(), "small photograph fitted");
}

TEST_F(Navigation, ZoomFromAFittedViewGoesToTheNextPowerOfTwo) {
  LoadPhotograph(Photograph("large.bmp", 2400, 1800, Pattern));
  const double fitted = View().Zoom();
  const double below = std::exp2(std::floor(std::log2(fitted)));
  ASSERT_LT(below, fitted) << "the fitted zoom is a power of two";
  Command(ID_VIEW_ZOOM_IN);
  EXPECT_EQ(View().Zoom(), 2 * below);
  Command(ID_VIEW_FIT_IN_WINDOW);
  Command(ID_VIEW_ZOOM_OUT);
  EXPECT_EQ(View().Zoom(), below);
  Command(ID_VIEW_ZOOM_IN);
  EXPECT_EQ(View().Zoom(), 2 * below);

  // The echo and the point dialog name the fractional position under the mouse.
  Command(ID_VIEW_FIT_IN_WINDOW);
  const QPointF device(301, 207);
  MoveTo(Logical(device));
  const QPointF photo = View().PhotoPositionAt(device);
  double x = 0, y = 0;
  ASSERT_EQ(std::sscanf(AppTest::Frame().MessageText().c_str(), "x = %lf, y = %lf", &x, &y), 2);
  EXPECT_NEAR(x, photo.x(), 0.005);
  EXPECT_NEAR(y, photo.y(), 0.005);
  std::string u, v;
  services->ScriptDialog([&](CDialogDriver& d) {
    u = d.Text(1022), v = d.Text(1023);
    d.PressCancel();
  });
  const QPointF at = Logical(device);
  QMouseEvent doubleClick(QEvent::MouseButtonDblClick, at, View().mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
  QApplication::sendEvent(&View(), &doubleClick);
  EXPECT_NEAR(std::strtod(u.c_str(), nullptr), photo.x(), 1e-6) << u;
  EXPECT_NEAR(std::strtod(v.c_str(), nullptr), photo.y(), 1e-6) << v;
}

// A photograph more than eight times the view's width fits below the smallest step of 1/8;
// zooming out goes no further than the fit, zooming in goes to 1/8.
TEST_F(Navigation, AVeryWidePhotographFitsBelowTheSmallestZoomStep) {
  LoadPhotograph(Photograph("wide.bmp", 9000, 16, Pattern));
  const double fitted = View().Zoom();
  ASSERT_LT(fitted, 1.0 / 8);
  EXPECT_DOUBLE_EQ(fitted, View().ClientSize().width() / 9000.0);
  Command(ID_VIEW_ZOOM_OUT);
  EXPECT_EQ(View().Zoom(), fitted);
  Command(ID_VIEW_ZOOM_IN);
  EXPECT_EQ(View().Zoom(), 1.0 / 8);
}

// The scroll bars count device pixels from the photograph's lower-left corner: the horizontal
// one to the view's left edge, the vertical one downwards to the view's top edge.
TEST_F(Navigation, TheScrollBarsFollowThePanAndMoveThePhotograph) {
  LoadPhotograph(Photograph("column.bmp", 400, 300, [](int x, int) {
    return x == 60 ? std::array<unsigned char, 3>{255, 255, 255} : std::array<unsigned char, 3>{0, 0, 90};
  }));
  QScrollBar& horizontal = *View().HorizontalScrollBar();
  QScrollBar& vertical = *View().VerticalScrollBar();
  const int clientHeight = View().ClientSize().height();
  View().RepaintNow();
  EXPECT_EQ(horizontal.value(), 0);
  EXPECT_EQ(vertical.value(), -clientHeight);
  EXPECT_LT(horizontal.minimum(), 0);
  EXPECT_GT(horizontal.maximum() + View().ClientSize().width(), 400);

  // The left-button pan moves the bars with it.
  Press(QPoint(100, 100));
  MoveTo(QPointF(100 + 7 / ratio, 100 - 3 / ratio));
  Release(QPoint(100, 100));
  ASSERT_EQ(View().m_nPanX, 7);
  ASSERT_EQ(View().m_nPanY, 3);
  EXPECT_EQ(horizontal.value(), 7);
  EXPECT_EQ(vertical.value(), -(3 + clientHeight));

  // A click on the bar's left arrow scrolls one step: the marked column moves right by it.
  QStyleOptionSlider option;
  option.initFrom(&horizontal);
  option.orientation = Qt::Horizontal;
  option.minimum = horizontal.minimum(), option.maximum = horizontal.maximum();
  option.sliderPosition = option.sliderValue = horizontal.value();
  option.singleStep = horizontal.singleStep(), option.pageStep = horizontal.pageStep();
  option.upsideDown = false;
  const QRect arrow = horizontal.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSubLine, &horizontal);
  ASSERT_FALSE(arrow.isEmpty());
  QTest::mouseClick(&horizontal, Qt::LeftButton, {}, arrow.center());
  const int step = horizontal.singleStep();
  EXPECT_EQ(View().m_nPanX, 7 - step);
  EXPECT_TRUE(View().IsPlainView());
  const QImage frame = Shown();
  const int row = frame.height() - 1 - (100 - 3);  // photograph row 100
  EXPECT_EQ(frame.pixel(60 - 7 + step, row), qRgb(255, 255, 255));
  EXPECT_EQ(frame.pixel(60 - 7, row), qRgb(0, 0, 90));

  // Setting the vertical bar moves the view: 50 device pixels further down shows rows 50 lower.
  vertical.setValue(vertical.value() + 50);
  EXPECT_EQ(View().m_nPanY, 3 - 50);
}

TEST_F(Navigation, ArrowKeysScrollUnlessAHandleTakesThem) {
  LoadPhotograph(Photograph("pattern.bmp", 300, 200, Pattern));
  const QPointF before = View().DeviceAt(QPointF(100, 100));
  QTest::keyClick(&View(), Qt::Key_Right);
  QTest::keyClick(&View(), Qt::Key_Up);
  QPointF moved = View().DeviceAt(QPointF(100, 100)) - before;
  EXPECT_LT(moved.x(), 0);  // the view goes right: the photograph to the left
  EXPECT_GT(moved.y(), 0);  // the view goes up: the photograph down
  EXPECT_EQ(-moved.x(), moved.y());
  EXPECT_TRUE(View().IsPlainView());

  std::vector<int> offered;
  View().SetArrowKeyHandler([&](int key) {
    offered.push_back(key);
    return key == Qt::Key_Left;
  });
  const QPointF still = View().DeviceAt(QPointF(100, 100));
  QTest::keyClick(&View(), Qt::Key_Left);
  EXPECT_EQ(View().DeviceAt(QPointF(100, 100)), still);
  QTest::keyClick(&View(), Qt::Key_Down);
  EXPECT_NE(View().DeviceAt(QPointF(100, 100)), still);
  EXPECT_EQ(offered, (std::vector<int>{Qt::Key_Left, Qt::Key_Down}));
  View().SetArrowKeyHandler({});
}

TEST_F(Navigation, TheWindowsLayoutOutlivesARestart) {
  EXPECT_TRUE(Frame().Action(ID_VIEW_OVERLAYS)->isChecked()) << "a new user sees the overlays";
  EXPECT_TRUE(View().OverlaysShown());
  Frame().resize(720, 560);
  Frame().move(40, 30);
  Command(ID_VIEW_POINTS_AND_FACES);
  Command(ID_VIEW_OVERLAYS);
  QTest::qWait(50);
  ASSERT_TRUE(Frame().PointsAndFaces()->isVisible());
  const QRect geometry = Frame().geometry();
  const int dockWidth = Frame().PointsAndFaces()->width();
  services.reset();
  app.reset();

  app = std::make_unique<CPelorinApp>();
  services = std::make_unique<CScriptedServices>(&app->QtServices());
  ASSERT_TRUE(app->InitInstance({}));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
  EXPECT_EQ(Frame().geometry(), geometry);
  EXPECT_TRUE(Frame().PointsAndFaces()->isVisible());
  EXPECT_EQ(Frame().PointsAndFaces()->width(), dockWidth);
  EXPECT_TRUE(Frame().Action(ID_VIEW_POINTS_AND_FACES)->isChecked());
  EXPECT_FALSE(Frame().Camera()->isVisible());
  EXPECT_FALSE(Frame().Action(ID_VIEW_CAMERA)->isChecked());
  EXPECT_FALSE(Frame().Action(ID_VIEW_OVERLAYS)->isChecked());
  EXPECT_FALSE(View().OverlaysShown());
}

}  // namespace
