#include "app/LockKeys.h"

#include <QGuiApplication>

// After Qt's headers: Xlib's macros would clash with them.
#include <X11/XKBlib.h>

std::optional<CLockKeys> QueryLockKeys() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return std::nullopt;
  unsigned int lights = 0;
  if (XkbGetIndicatorState(display, XkbUseCoreKbd, &lights) != 0) return std::nullopt;
  // The core keyboard's usual indicator order: Caps Lock, Num Lock, Scroll Lock.
  return CLockKeys{(lights & 1u) != 0, (lights & 2u) != 0, (lights & 4u) != 0};
}
