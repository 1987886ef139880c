#include "app/GLRenderContext.h"

#include "services/Services.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <GL/gl.h>

namespace {

// Qt reports no error codes of the window system; the traces carry 0 in their place.
constexpr int kNoErrorCode = 0;

}  // namespace

CGLSurface::CGLSurface(QWidget* view, std::function<void()> initialise, std::function<void()> paint)
    : QOpenGLWidget(view), m_initialise(std::move(initialise)), m_paint(std::move(paint)) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  // The framebuffer keeps its content between frames, so a frame painted by PaintNow survives
  // until Qt shows it.
  setUpdateBehavior(QOpenGLWidget::PartialUpdate);
}

void CGLSurface::initializeGL() { m_initialise(); }

void CGLSurface::resizeGL(int, int) { m_bFramePainted = false; }

bool CGLSurface::PaintNow() {
  if (!isValid()) return false;
  makeCurrent();
  m_paint();
  m_bFramePainted = true;
  update();
  return true;
}

void CGLSurface::paintGL() {
  if (m_bFramePainted) {
    m_bFramePainted = false;
    return;
  }
  m_paint();
}

QSurfaceFormat CGLRenderContext::RequestedFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setRedBufferSize(8);
  format.setGreenBufferSize(8);
  format.setBlueBufferSize(8);
  format.setAlphaBufferSize(0);
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(0);
  return format;
}

bool CGLRenderContext::SetupPixelFormat() {
  const QSurfaceFormat format = RequestedFormat();
  if (format.redBufferSize() + format.greenBufferSize() + format.blueBufferSize() < 24) {
    Trace("ChoosePixelFormat Failed! %d\r\n", kNoErrorCode);
    return false;
  }
  m_nPixelFormat = 1;
  return true;
}

bool CGLRenderContext::Create(QWidget* window, std::function<void()> paint) {
  // A context is tried on an offscreen surface first: a surface widget without a usable
  // OpenGL would take the whole program down inside Qt.
  QOffscreenSurface probeSurface;
  probeSurface.setFormat(RequestedFormat());
  probeSurface.create();
  if (!probeSurface.isValid()) {
    Trace("CClientDC construction Failed! %d\r\n", kNoErrorCode);
    return false;
  }
  if (!SetupPixelFormat()) return false;
  QOpenGLContext probe;
  probe.setFormat(RequestedFormat());
  if (!probe.create()) {
    Trace("wglCreateContext Failed! %d\r\n", kNoErrorCode);
    return false;
  }
  if (!probe.makeCurrent(&probeSurface)) {
    Trace("wglMakeCurrent Failed! %d\r\n", kNoErrorCode);
    return false;
  }
  probe.doneCurrent();

  m_pDC = new CGLSurface(
      window,
      [this] {
        m_hRC = m_pDC->context();
        InitGL();
      },
      std::move(paint));
  m_pDC->setFormat(RequestedFormat());
  m_pDC->setGeometry(0, 0, window->width(), window->height());
  m_pDC->show();
  return true;
}

bool CGLRenderContext::MakeCurrent() {
  if (!m_pDC || !m_hRC || !m_pDC->isValid()) return false;
  m_pDC->makeCurrent();
  return QOpenGLContext::currentContext() == m_hRC;
}

void CGLRenderContext::InitGL() {
  if (!MakeCurrent()) return;
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
}

void CGLRenderContext::SwapFrame() { glFinish(); }

void CGLRenderContext::DeleteContext() {
  delete m_pDC;
  m_pDC = nullptr;
  m_hRC = nullptr;
}
