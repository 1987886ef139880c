#include "ServerLockKeys.h"

#include <QGuiApplication>

// After Qt's headers: Xlib's macros would clash with them.
#include <X11/XKBlib.h>

bool SetServerCapsLock(bool on) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return false;
  const bool sent = XkbLockModifiers(display, XkbUseCoreKbd, LockMask, on ? LockMask : 0);
  XSync(display, False);
  return sent;
}
