#pragma once
// The X server's side of the screen, in device pixels: what it shows (read back with
// XGetImage, no Qt in between) and where its pointer is (moved with XWarpPointer, so Qt gets
// the motion events a real mouse would give, converted as they come).

#include <QImage>
#include <QPoint>
#include <QSize>

class QWidget;

// The pixels the server shows for a top-level window, in device pixels; a null image when
// there is no X display.
QImage ServerWindowImage(const QWidget& window);
// The device position of a top-level window's top-left corner on the server's screen.
QPoint ServerWindowOrigin(const QWidget& window);
// Resizes a top-level window on the server, as a window manager does when the user drags its
// border, and waits until Qt has handled the new size.
bool ResizeServerWindow(const QWidget& window, QSize device);
// Moves the server's pointer to a device position of the screen; Qt gets the motion from its
// event loop.
bool WarpServerPointer(QPoint device);
