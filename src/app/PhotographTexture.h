#pragma once
// The photograph's display texture in the current OpenGL context, held as tiles of at most
// kPhotographTileSize pixels a side: no texture exceeds what a driver takes, a frame binds only
// the tiles it shows, and a load draws its first frame after uploading only the visible tiles.
// The others follow while the program is idle, a few at a time. Each tile is clamped to its
// edge and filtered linearly; its mipmaps are made the first time it is drawn smaller than 1:1.
// The pixels (RGB, bottom row first, no row padding) are read until the texture is deleted, so
// they must live as long as it does (the scene model owns both and deletes the texture first).

inline constexpr int kPhotographTileSize = 1024;

// A name for the photograph's texture (never 0); nothing is uploaded yet.
unsigned int UploadPhotographTexture(const unsigned char* pixels, int width, int height);
void DeletePhotographTexture(unsigned int textureName);

// The part of the photograph in view, in photograph pixels, and the zoom (screen pixels per
// photograph pixel).
struct CPhotographView {
  double left, bottom, right, top;
  double zoom;
};

// Draws the photograph's tiles that meet the view, each as its rectangle of photograph pixels,
// with the texture colour as the fragment colour; uploads those not uploaded yet.
void DrawPhotographTexture(unsigned int textureName, const CPhotographView& view);

// True while some tile of some photograph waits for its upload.
bool PhotographTilesPending();
