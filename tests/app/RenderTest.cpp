// The frame as the screen gets it, read back from the view's OpenGL surface.

#include "AppFixture.h"
#include "model/SingleImage.h"

#include <QScreen>

#include <GL/gl.h>

#include <random>

namespace {

class Rendering : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // Qt makes the context when the surface is first shown.
    for (int attempt = 0; attempt < 100 && !View().m_glContext.m_hRC; ++attempt) QTest::qWait(10);
    ASSERT_NE(View().m_glContext.m_hRC, nullptr) << "no OpenGL context";
    static bool logged = false;
    if (!logged && View().m_glContext.MakeCurrent()) {
      std::printf("GL_RENDERER: %s, GL_VERSION: %s\n", glGetString(GL_RENDERER), glGetString(GL_VERSION));
      logged = true;
    }
  }

  QImage Frame() {
    View().RepaintNow();
    return View().m_glContext.Surface()->grabFramebuffer();
  }

  // The colour the screen shows at device pixel (px, py), y downwards.
  static std::array<int, 3> At(const QImage& image, int px, int py) {
    const QRgb rgb = image.pixel(px, py);
    return {qRed(rgb), qGreen(rgb), qBlue(rgb)};
  }
};

TEST_F(Rendering, ContextIsDoubleBufferedRgbaWithDepth) {
  const QSurfaceFormat format = View().m_glContext.Surface()->format();
  EXPECT_GE(format.redBufferSize() + format.greenBufferSize() + format.blueBufferSize(), 24);
  EXPECT_GE(format.depthBufferSize(), 24);
  ASSERT_TRUE(View().m_glContext.MakeCurrent());
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0] + clear[1] + clear[2], 0.0f);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  View().OnInitialUpdate();
  ASSERT_TRUE(View().m_glContext.MakeCurrent());
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(Rendering, NonPowerOfTwoPhotographComesBackPixelForPixel) {
  std::mt19937 random(641);
  std::vector<std::array<unsigned char, 3>> colours(641 * 481);
  for (auto& colour : colours)
    for (unsigned char& channel : colour) channel = static_cast<unsigned char>(random());
  LoadPhotograph(Photograph("random.bmp", 641, 481, [&](int x, int y) { return colours[y * 641 + x]; }));
  ASSERT_NE(Model(), nullptr);

  for (auto [panX, panY] : {std::pair{0, 0}, std::pair{37, -11}}) {
    View().m_nPanX = panX;
    View().m_nPanY = panY;
    const QImage image = Frame();
    const int clientHeight = image.height();
    int mismatches = 0;
    for (int y = 0; y < 481; ++y)
      for (int x = 0; x < 641; ++x) {
        const int px = x - panX;
        const int py = clientHeight - 1 - (y - panY);
        if (px < 0 || py < 0 || px >= image.width() || py >= image.height()) continue;
        const auto& expected = colours[y * 641 + x];
        if (At(image, px, py) != std::array<int, 3>{expected[0], expected[1], expected[2]} && ++mismatches < 5)
          ADD_FAILURE() << "photograph pixel (" << x << ", " << y << ") at pan (" << panX << ", " << panY << ")";
      }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(Rendering, SmallPhotographCoversExactlyItsPixelsInTheLowerLeftCorner) {
  LoadPhotograph(Photograph("small.bmp", 3, 2, [](int x, int y) {
    return std::array<unsigned char, 3>{static_cast<unsigned char>(80 * x + 10), static_cast<unsigned char>(100 * y + 20), 200};
  }));
  const QImage image = Frame();
  const int bottom = image.height() - 1;
  for (int py = 0; py < image.height(); ++py)
    for (int px = 0; px < image.width(); ++px) {
      const bool inside = px < 3 && py > bottom - 2;
      const std::array<int, 3> expected =
          inside ? std::array<int, 3>{80 * px + 10, 100 * (bottom - py) + 20, 200} : std::array<int, 3>{0, 0, 0};
      ASSERT_EQ(At(image, px, py), expected) << "window pixel (" << px << ", " << py << ")";
    }
}

// The X and Y vanishing points far left and right at the same height put the horizon on one
// photograph row: the overlays draw it there, one device pixel wide, across the photograph.
TEST_F(Rendering, TheHorizonRunsThroughTheXAndYVanishingPointsOnePixelWide) {
  LoadPhotograph(Photograph("dark.bmp", 64, 48, [](int, int) { return std::array<unsigned char, 3>{0, 0, 0}; }));
  const double row = 29, centred = row - 24;
  const double x[3] = {-3000, centred, 1}, y[3] = {2500, centred, 1};
  std::copy(x, x + 3, Model()->m_Vx);
  std::copy(y, y + 3, Model()->m_Vy);
  ASSERT_TRUE(View().OverlaysShown());
  const QImage image = Frame();
  const int bottom = image.height() - 1;
  const auto cyan = [&](int px, int py) {
    const auto c = At(image, px, py);
    return c[0] < 100 && c[1] > 150 && c[2] > 150;
  };
  int lit = 0;
  for (int px = 0; px < 64; ++px) {
    lit += cyan(px, bottom - static_cast<int>(row));
    EXPECT_FALSE(cyan(px, bottom - static_cast<int>(row) - 1)) << px;
    EXPECT_FALSE(cyan(px, bottom - static_cast<int>(row) + 1)) << px;
  }
  EXPECT_GE(lit, 60);
}

TEST_F(Rendering, UniformPhotographShowsItsColourAndPansLeft) {
  // Large enough to show the photograph at actual pixels rather than fitted.
  AppTest::Frame().resize(1150, 940);
  QTest::qWait(50);
  LoadPhotograph(UniformPhotograph("uniform.bmp", 1023, 767));
  ASSERT_TRUE(View().IsPlainView());
  QImage image = Frame();
  const int bottom = image.height() - 1;
  for (int py = bottom; py > bottom - 300; py -= 7)
    for (int px = 0; px < 500; px += 7) ASSERT_EQ(At(image, px, py), (std::array<int, 3>{90, 160, 30})) << px << ", " << py;

  // A photograph with a marked column: after panning by (5, 0) it shows 5 pixels further left.
  LoadPhotograph(Photograph("column.bmp", 40, 30, [](int x, int) {
    return x == 20 ? std::array<unsigned char, 3>{255, 255, 255} : std::array<unsigned char, 3>{0, 0, 90};
  }));
  View().m_nPanX = 0;
  image = Frame();
  EXPECT_EQ(At(image, 20, bottom), (std::array<int, 3>{255, 255, 255}));
  Press(QPoint(200, 200));
  MoveTo(QPointF(200 + 5 / View().devicePixelRatioF(), 200));
  Release(QPoint(205, 200));
  ASSERT_EQ(View().m_nPanX, 5);
  image = Frame();
  EXPECT_EQ(At(image, 15, bottom), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(At(image, 20, bottom), (std::array<int, 3>{0, 0, 90}));
  EXPECT_EQ(At(image, 35, bottom), (std::array<int, 3>{0, 0, 0}));
}

TEST_F(Rendering, TheScreenShowsThePaintedFrameAfterPanning) {
  LoadPhotograph(Photograph("column.bmp", 40, 30, [](int x, int y) {
    return x == 20 || y == 10 ? std::array<unsigned char, 3>{255, 255, 0} : std::array<unsigned char, 3>{0, 0, 90};
  }));
  Press(QPoint(200, 200));
  MoveTo(QPointF(203, 198));  // pans by (3, 2): the picture moves 3 left and 2 down
  Release(QPoint(203, 198));
  QTest::qWait(100);  // let Qt show the frame that the move painted
  const QPoint origin = View().mapTo(&AppTest::Frame(), QPoint(0, 0));
  const QImage screen = View().screen()->grabWindow(AppTest::Frame().winId()).toImage();
  const int bottom = origin.y() + View().height() - 1;
  auto shown = [&](int px, int py) { return At(screen, origin.x() + px, py); };
  EXPECT_EQ(shown(17, bottom - 5), (std::array<int, 3>{255, 255, 0}));   // column 20 (row 7)
  EXPECT_EQ(shown(10, bottom - 8), (std::array<int, 3>{255, 255, 0}));   // row 10 (column 13)
  EXPECT_EQ(shown(10, bottom - 5), (std::array<int, 3>{0, 0, 90}));
  EXPECT_EQ(shown(50, bottom - 5), (std::array<int, 3>{0, 0, 0}));
}

}  // namespace
