// What the screen shows, read back from the X server, against what the status bar echoes for
// the real pointer: after every change the frame must show the photograph pixel that the echo
// (and so a double-click) names. Also run at a display scale of 1.5.

#include "AppFixture.h"
#include "ServerScreen.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kPhotoWidth = 700;
constexpr int kPhotoHeight = 500;

// Every pixel of the photograph has a colour of its own: red and green are x and y modulo 256,
// blue tells the multiples of 256.
QRgb CodedColour(int x, int y) { return qRgb(x % 256, y % 256, 60 + 40 * (x / 256) + 10 * (y / 256)); }

class ScreenShows : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // Small enough for the screen at a display scale of 1.5.
    Frame().resize(760, 600);
    for (int attempt = 0; attempt < 100 && !View().m_glContext.m_hRC; ++attempt) QTest::qWait(10);
    ASSERT_NE(View().m_glContext.m_hRC, nullptr) << "no OpenGL context";
    ratio = View().devicePixelRatioF();
    LoadPhotograph(Photograph("coded.bmp", kPhotoWidth, kPhotoHeight, [](int x, int y) {
      const QRgb colour = CodedColour(x, y);
      return std::array<unsigned char, 3>{static_cast<unsigned char>(qRed(colour)),
                                          static_cast<unsigned char>(qGreen(colour)),
                                          static_cast<unsigned char>(qBlue(colour))};
    }));
    ASSERT_NE(Model(), nullptr);
  }

  // The device position of the view's top-left pixel in the frame window, as Qt composes it.
  QPoint ViewOrigin() {
    const QPoint logical = View().mapTo(&AppTest::Frame(), QPoint(0, 0));
    return QPoint(qRound(logical.x() * ratio), qRound(logical.y() * ratio));
  }

  // Puts the real pointer on the view's device pixel (px, py) and reads the echo.
  std::pair<int, int> EchoAt(int px, int py) {
    const std::string before = AppTest::Frame().MessageText();
    EXPECT_TRUE(WarpServerPointer(ServerWindowOrigin(AppTest::Frame()) + ViewOrigin() + QPoint(px, py)));
    for (int attempt = 0; attempt < 200 && AppTest::Frame().MessageText() == before; ++attempt) QTest::qWait(5);
    int x = 0, y = 0;
    EXPECT_EQ(std::sscanf(AppTest::Frame().MessageText().c_str(), "x = %d, y = %d", &x, &y), 2)
        << AppTest::Frame().MessageText();
    return {x, y};
  }

  // Qt lays the window out and shows the painted frame from its event loop: the server's
  // picture of the window once it stays the same.
  QImage SettledScreen() {
    QImage screen = ServerWindowImage(AppTest::Frame());
    for (int attempt = 0; attempt < 20; ++attempt) {
      QTest::qWait(100);
      QImage again = ServerWindowImage(AppTest::Frame());
      if (again == screen) break;
      screen = std::move(again);
    }
    return screen;
  }

  // At a grid of device positions over the view, the screen shows the photograph pixel that
  // the echo names (black beyond the photograph).
  void ExpectScreenAgreesWithEcho(const std::string& after) {
    const QImage screen = SettledScreen();
    ASSERT_FALSE(screen.isNull());
    const QSize client = View().ClientSize();
    int mismatches = 0;
    // Clear of the view's edges: at a fractional scale the next widget may cover the last row.
    for (int py = 3; py < client.height() - 3; py += (client.height() - 7) / 5)
      for (int px = 3; px < client.width() - 3; px += (client.width() - 7) / 4) {
        const auto [x, y] = EchoAt(px, py);
        const bool inside = x >= 0 && y >= 0 && x < kPhotoWidth && y < kPhotoHeight;
        const QRgb expected = inside ? CodedColour(x, y) : qRgb(0, 0, 0);
        const QRgb shown = screen.pixel(ViewOrigin() + QPoint(px, py));
        if (shown != expected && ++mismatches <= 3)
          ADD_FAILURE() << after << ": device (" << px << ", " << py << ") echoes (" << x << ", " << y
                        << ") but shows (" << qRed(shown) << ", " << qGreen(shown) << ", " << qBlue(shown) << ")";
      }
    EXPECT_EQ(mismatches, 0) << after;
  }

  qreal ratio = 1;
};

TEST_F(ScreenShows, WhatTheEchoSaysAfterFileOpenFollowingAPanAndAZoom) {
  ExpectScreenAgreesWithEcho("loading");
  Press(QPoint(300, 300));
  MoveTo(QPointF(200, 380));
  Release(QPoint(200, 380));
  ASSERT_NE(View().m_nPanX, 0);
  Command(ID_VIEW_ZOOM_IN);
  ASSERT_EQ(View().Zoom(), 2.0);
  const std::string project = dir.File("coded.pelorin");
  services->AnswerFileDialog(project);
  Command(ID_FILE_SAVE_AS);
  ActivateFrame();
  services->AnswerFileDialog(project);
  QTest::keyClick(&AppTest::Frame(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(View().m_nPanX, 0);
  ASSERT_TRUE(View().IsPlainView());
  ExpectScreenAgreesWithEcho("File Open");
}

TEST_F(ScreenShows, WhatTheEchoSaysAfterTheViewChangesSize) {
  ExpectScreenAgreesWithEcho("loading");
  const QSize device = AppTest::Frame().size() * ratio;
  ASSERT_TRUE(ResizeServerWindow(AppTest::Frame(), device + QSize(90, 135)));
  ExpectScreenAgreesWithEcho("growing");
  ASSERT_TRUE(ResizeServerWindow(AppTest::Frame(), device - QSize(60, 75)));
  ExpectScreenAgreesWithEcho("shrinking");
  // The view also changes size when the bars and the dock come and go.
  Command(ID_VIEW_TOOLBAR);
  ExpectScreenAgreesWithEcho("hiding the toolbar");
  Command(ID_VIEW_STATUS_BAR);
  ExpectScreenAgreesWithEcho("hiding the status bar");
  Command(ID_VIEW_POINTS_AND_FACES);
  ExpectScreenAgreesWithEcho("showing the points and faces");
}

// At zoom 1 one photograph pixel is one device pixel, whatever the display scale: neighbouring
// device columns and rows echo neighbouring photograph columns and rows, and show them.
TEST_F(ScreenShows, AdjacentDevicePixelsEchoAdjacentPhotographPixels) {
  const QImage screen = SettledScreen();
  const int bottom = View().ClientSize().height() - 1;
  for (int start : {427, 100, 31}) {
    std::vector<int> columns, rows;
    for (int k = 0; k < 5; ++k) {
      const auto [x, y] = EchoAt(start + k, bottom - 250);
      columns.push_back(x);
      EXPECT_EQ(screen.pixel(ViewOrigin() + QPoint(start + k, bottom - 250)), CodedColour(x, y));
      rows.push_back(EchoAt(250, bottom - start - k).second);
    }
    EXPECT_EQ(columns, (std::vector<int>{start, start + 1, start + 2, start + 3, start + 4}));
    EXPECT_EQ(rows, (std::vector<int>{start, start + 1, start + 2, start + 3, start + 4}));
  }
}

// With the overlays on, what a dialog's OK adds is on the screen at once.
TEST_F(ScreenShows, OverlaysRightAfterADialogsOk) {
  ASSERT_TRUE(View().OverlaysShown());
  const int bottom = View().ClientSize().height() - 1;
  const auto shownAt = [&](int x, int y) {
    return SettledScreen().pixel(ViewOrigin() + QPoint(x, bottom - y));
  };
  const QRgb before = shownAt(150, 40);
  services->ScriptDialog([](CDialogDriver& d) {
    d.Type(1000, "100"), d.Type(1001, "40"), d.Type(1002, "200"), d.Type(1003, "40");
    d.PressOk();
  });
  Command(ID_INPUT_VX);
  ASSERT_EQ(View().m_XLines.GetCount(), 1);
  const QRgb segment = shownAt(150, 40);
  EXPECT_NE(segment, before);
  EXPECT_GT(qRed(segment), 200);
  EXPECT_LT(qGreen(segment), 80);

  // A point measured at (300, 200): a yellow cross.
  const QRgb empty = shownAt(302, 200);
  services->ScriptDialog([](CDialogDriver& d) { d.PressOk(); });
  DoubleClick(QPoint(qRound(300 / ratio), qRound((bottom - 200) / ratio)));
  ASSERT_EQ(Model()->m_Points.GetCount(), 1);
  const QRgb cross = shownAt(302, 200);
  EXPECT_NE(cross, empty);
  EXPECT_GT(qRed(cross), 200);
  EXPECT_GT(qGreen(cross), 200);
  EXPECT_LT(qBlue(cross), 100);
}

// Every command and every dialog OK paints a frame before it returns.
TEST_F(ScreenShows, EveryChangePaintsBeforeItsHandlerReturns) {
  struct Case {
    const char* name;
    std::function<void()> act;
  };
  const std::string data = dir.File("scene.txt");
  services->AnswerFileDialog(data);
  Command(ID_SAVE_DATA_FILE);
  const Case cases[] = {
      {"Input for Vx", [&] {
         services->ScriptDialog([](CDialogDriver& d) {
           d.Type(1000, "10"), d.Type(1001, "10"), d.Type(1002, "100"), d.Type(1003, "12");
           d.PressOk();
         });
         Command(ID_INPUT_VX);
       }},
      {"Caculate ", [&] { Command(ID_CALCULATE_VANISHING_POINTS); }},
      {"double-click", [&] {
         services->ScriptDialog([](CDialogDriver& d) { d.PressOk(); });
         DoubleClick(QPoint(60, 60));
       }},
      {"right-click", [&] {
         services->ScriptDialog([](CDialogDriver& d) {
           d.Type(1027, "0"), d.Type(1028, "0"), d.Type(1029, "0"), d.Type(1030, "0");
           d.PressOk();
         });
         QTest::mousePress(&View(), Qt::RightButton, {}, QPoint(50, 50));
       }},
      {"Load Data File", [&] {
         services->AnswerFileDialog(data);
         Command(ID_LOAD_DATA_FILE);
       }},
      {"File New", [&] { Command(ID_FILE_NEW); }},
      {"resize", [&] {
         AppTest::Frame().resize(AppTest::Frame().width() + 20, AppTest::Frame().height() + 20);
         QTest::qWait(20);
       }},
  };
  for (const Case& c : cases) {
    const int before = View().PaintCount();
    c.act();
    EXPECT_GT(View().PaintCount(), before) << c.name;
  }
}

}  // namespace
