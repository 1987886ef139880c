#include "ServerScreen.h"

#include <QGuiApplication>
#include <QRect>
#include <QTest>
#include <QWidget>

// After Qt's headers: Xlib's macros would clash with them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

Display* ServerDisplay() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->display() : nullptr;
}

}  // namespace

QPoint ServerWindowOrigin(const QWidget& window) {
  Display* display = ServerDisplay();
  if (!display) return {};
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display, window.winId(), DefaultRootWindow(display), 0, 0, &x, &y, &child);
  return {x, y};
}

QImage ServerWindowImage(const QWidget& window) {
  Display* display = ServerDisplay();
  if (!display) return {};
  XSync(display, False);
  XWindowAttributes attributes{}, screen{};
  XGetWindowAttributes(display, window.winId(), &attributes);
  XGetWindowAttributes(display, DefaultRootWindow(display), &screen);
  // Read from the root window, clipped to the screen: a window partly off the screen would
  // make XGetImage fail.
  const QPoint origin = ServerWindowOrigin(window);
  const QRect shown = QRect(origin, QSize(attributes.width, attributes.height)) & QRect(0, 0, screen.width, screen.height);
  QImage image(attributes.width, attributes.height, QImage::Format_RGB32);
  image.fill(Qt::black);
  if (shown.isEmpty()) return image;
  XImage* pixels = XGetImage(display, DefaultRootWindow(display), shown.x(), shown.y(), shown.width(), shown.height(),
                             AllPlanes, ZPixmap);
  if (!pixels) return {};
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) {
      const unsigned long pixel = XGetPixel(pixels, x, y);
      image.setPixel(shown.x() - origin.x() + x, shown.y() - origin.y() + y,
                     qRgb((pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff));
    }
  XDestroyImage(pixels);
  return image;
}

bool WarpServerPointer(QPoint device) {
  Display* display = ServerDisplay();
  if (!display) return false;
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, device.x(), device.y());
  XSync(display, False);
  // The motion comes back as an event; let Qt take it in.
  QTest::qWait(1);
  return true;
}

bool ResizeServerWindow(const QWidget& window, QSize device) {
  Display* display = ServerDisplay();
  if (!display) return false;
  XResizeWindow(display, window.winId(), static_cast<unsigned>(device.width()), static_cast<unsigned>(device.height()));
  XSync(display, False);
  // The new size comes back as a configure event; let Qt lay the window out and paint it.
  QTest::qWait(100);
  return true;
}
