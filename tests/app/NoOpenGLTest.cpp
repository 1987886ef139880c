// Without a usable OpenGL the program still starts: the view stays black and the commands
// work on the scene model. Run with Qt's X11 plugin told to offer no OpenGL.

#include "AppFixture.h"

namespace {

TEST_F(AppTest, WithoutOpenGLTheViewIsBlackAndLoadingStillWorks) {
  EXPECT_EQ(View().m_glContext.Surface(), nullptr);
  LoadPhotograph(UniformPhotograph("photo.bmp", 32, 16));
  ASSERT_NE(Model(), nullptr);
  EXPECT_EQ(Model()->GetWidth(), 32);
  EXPECT_EQ(Model()->GetTexName(), 0u);
  EXPECT_TRUE(services->messages.empty());
  const QImage shown = View().grab().toImage();
  EXPECT_EQ(shown.pixel(5, shown.height() - 5), qRgb(0, 0, 0));
  Press(QPoint(10, 10));
  MoveTo(QPointF(20, 10));
  EXPECT_EQ(View().m_nPanX, 10);
}

TEST(NoOpenGL, TheFailingStepIsTracedOnStandardError) {
  ::testing::internal::CaptureStderr();
  {
    CPelorinApp app;
    EXPECT_EQ(app.View().m_glContext.Surface(), nullptr);
  }
  const std::string trace = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(trace.find("CClientDC construction Failed! 0\r\n") != std::string::npos ||
              trace.find("wglCreateContext Failed! 0\r\n") != std::string::npos)
      << trace;
}

}  // namespace
