#pragma once
// How a scene model reaches the display without knowing it: the application installs an upload
// step (pixels to a texture name) and a release step. Name 0 means no texture; with no hooks
// installed, or for a model without pixels, nothing is uploaded.

#include <functional>

struct CDisplayTextureHooks {
  // Pixels are RGB, bottom row first, no row padding.
  std::function<unsigned int(const unsigned char* pixels, int width, int height)> upload;
  std::function<void(unsigned int textureName)> release;
};

void SetDisplayTextureHooks(CDisplayTextureHooks hooks);
const CDisplayTextureHooks& DisplayTextureHooks();
