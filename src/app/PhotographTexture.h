#pragma once
// The photograph's display texture in the current OpenGL context: clamped, linear magnification,
// trilinear minification, DECAL environment. Where the implementation takes textures of any size
// the photograph is uploaded at its own size, so one texel is one photograph pixel, and the
// lower mipmap levels are generated from it; otherwise, or when the photograph is larger than
// the implementation's limit, GLU builds the mipmaps from a rescaled copy.

// The texture name; pixels are RGB, bottom row first, no row padding.
unsigned int UploadPhotographTexture(const unsigned char* pixels, int width, int height);
void DeletePhotographTexture(unsigned int textureName);
