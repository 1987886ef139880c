#pragma once
// The state of the Caps Lock, Num Lock and Scroll Lock keys, as far as the platform tells:
// Qt reports none of them, so on X11 the keyboard's indicator lights are asked directly; on
// other platforms nothing is known.

#include <optional>

struct CLockKeys {
  bool capsLock = false;
  bool numLock = false;
  bool scrollLock = false;
};

std::optional<CLockKeys> QueryLockKeys();
