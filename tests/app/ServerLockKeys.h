#pragma once
// Sets the X server's Caps Lock state directly, as pressing the key would.

bool SetServerCapsLock(bool on);
