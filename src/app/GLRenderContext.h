#pragma once
// The view's OpenGL drawing surface: a double-buffered RGBA surface (at least 24 colour bits,
// 24-bit depth) with one compatibility-profile context, so OpenGL 1.1 and GLU are called
// directly. Qt owns the context of the surface widget; this class creates that widget once a
// probe has shown that a context can be had, and makes the context current before every
// OpenGL step of the program. Failing steps write their traces and leave no surface: the view
// then stays black and the commands still work on the scene model.

#include <QOpenGLWidget>
#include <QSurfaceFormat>

#include <functional>

class QWidget;

// The OpenGL widget that fills the view. Mouse events pass through to the view.
// Qt paints a QOpenGLWidget when it composes the window, at its own pace; PaintNow runs the
// paint steps into the widget's framebuffer at once instead, and Qt then shows that frame
// without painting it a second time.
class CGLSurface final : public QOpenGLWidget {
 public:
  CGLSurface(QWidget* view, std::function<void()> initialise, std::function<void()> paint);

  // Runs the paint steps before returning; false while there is no context yet.
  bool PaintNow();

 protected:
  void initializeGL() override;
  void resizeGL(int width, int height) override;
  void paintGL() override;

 private:
  std::function<void()> m_initialise;
  std::function<void()> m_paint;
  bool m_bFramePainted = false;  // the framebuffer holds a frame that Qt has not shown yet
};

class CGLRenderContext {
 public:
  CGLRenderContext() = default;
  virtual ~CGLRenderContext() = default;
  CGLRenderContext(const CGLRenderContext&) = delete;
  CGLRenderContext& operator=(const CGLRenderContext&) = delete;

  // Probes for a context with the requested format and, when one can be had, puts the surface
  // widget into the window; paint runs the view's paint steps. True on success.
  bool Create(QWidget* window, std::function<void()> paint);
  // Chooses the surface format; true when it is what the program needs.
  virtual bool SetupPixelFormat();
  // Black clear colour, clear depth 1, depth test on.
  virtual void InitGL();
  // Waits for OpenGL to finish; Qt then presents the frame.
  void SwapFrame();
  // Removes the surface and with it the context.
  void DeleteContext();

  // Makes the context current; false while there is no context (no surface, or not yet
  // initialised by Qt).
  bool MakeCurrent();
  CGLSurface* Surface() const { return m_pDC; }
  static QSurfaceFormat RequestedFormat();

  int m_nPixelFormat = 0;
  CGLSurface* m_pDC = nullptr;  // the surface widget, a child of the view
  QOpenGLContext* m_hRC = nullptr;
};
