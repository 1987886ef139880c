#include "model/DisplayTexture.h"

namespace {

CDisplayTextureHooks& InstalledHooks() {
  static CDisplayTextureHooks hooks;
  return hooks;
}

}  // namespace

void SetDisplayTextureHooks(CDisplayTextureHooks hooks) { InstalledHooks() = std::move(hooks); }

const CDisplayTextureHooks& DisplayTextureHooks() { return InstalledHooks(); }
