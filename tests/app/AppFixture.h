#pragma once
// A running Pelorin for one test: the real application object, frame, view and Qt services,
// with the scripted services in front of them (dialogs and message boxes are answered by the
// test; status texts and repaints reach the real window). Mouse input goes to the view as
// real Qt events, one at a time.

#include "ScriptedServices.h"
#include "TempDir.h"
#include "app/CommandIds.h"
#include "app/MainFrm.h"
#include "app/Pelorin.h"
#include "app/PelorinView.h"
#include "app/Resources.h"
#include "image/Bmp.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings(QString::fromUtf8(kSettingsOrganisation.data()), QStringLiteral("Pelorin")).clear();
    app = std::make_unique<CPelorinApp>();
    services = std::make_unique<CScriptedServices>(&app->QtServices());
    ASSERT_TRUE(app->InitInstance({}));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->Frame()));
  }

  // Qt makes the OpenGL context when the surface is first shown; true once it exists.
  bool WaitForOpenGL() {
    for (int attempt = 0; attempt < 100 && !View().m_glContext.m_hRC; ++attempt) QTest::qWait(10);
    return View().m_glContext.m_hRC != nullptr;
  }

  // The frame the view paints now, read back from its surface.
  QImage PaintedFrame() {
    View().RepaintNow();
    return View().m_glContext.Surface()->grabFramebuffer();
  }

  // Keyboard shortcuts reach only the active window.
  void ActivateFrame() {
    app->Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app->Frame()));
  }

  void TearDown() override {
    services.reset();
    app.reset();
  }

  CMainFrame& Frame() { return app->Frame(); }
  CPelorinView& View() { return app->View(); }
  CSingleImage* Model() { return app->Document().GetSingleImage(); }

  void Command(int id) { Frame().Action(id)->trigger(); }

  // Writes a photograph whose pixel (x, y) has the colour colourAt(x, y).
  std::string Photograph(const std::string& name, int width, int height,
                         const std::function<std::array<unsigned char, 3>(int, int)>& colourAt) {
    std::vector<unsigned char> pixels(3 * static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const auto colour = colourAt(x, y);
        std::copy(colour.begin(), colour.end(), pixels.begin() + 3 * (static_cast<size_t>(y) * width + x));
      }
    const std::string path = dir.File(name);
    EXPECT_TRUE(WriteBmpFile(path, pixels.data(), width, height));
    return path;
  }

  std::string UniformPhotograph(const std::string& name, int width, int height) {
    return Photograph(name, width, height, [](int, int) { return std::array<unsigned char, 3>{90, 160, 30}; });
  }

  void LoadPhotograph(const std::string& path) {
    services->AnswerFileDialog(path);
    Command(ID_LOAD_SOURCE_IMAGE);
  }

  // Makes the view's client area the given number of logical pixels high.
  void SetViewHeight(int height) {
    for (int attempt = 0; attempt < 20 && View().height() != height; ++attempt) {
      Frame().resize(Frame().width(), Frame().height() + height - View().height());
      QTest::qWait(20);
    }
    ASSERT_EQ(View().height(), height);
  }

  // A move carries the buttons held, as the window system's do.
  void MoveTo(QPointF position) {
    QMouseEvent move(QEvent::MouseMove, position, View().mapToGlobal(position), Qt::NoButton,
                     leftHeld || View().m_bDragging ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&View(), &move);
  }
  void Press(QPoint position) {
    leftHeld = true;
    QTest::mousePress(&View(), Qt::LeftButton, {}, position);
  }
  void Release(QPoint position) {
    leftHeld = false;
    QTest::mouseRelease(&View(), Qt::LeftButton, {}, position);
  }
  bool leftHeld = false;
  // As a window system delivers it: press, release, double-click, release.
  void DoubleClick(QPoint position) {
    Press(position);
    Release(position);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, position, View().mapToGlobal(QPointF(position)),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&View(), &doubleClick);
    Release(position);
  }

  CTempDir dir;
  std::unique_ptr<CPelorinApp> app;
  std::unique_ptr<CScriptedServices> services;
};
