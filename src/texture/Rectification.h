#pragma once
// Rectifying a face: the homography that maps the texture rectangle's corners (0, 0), (W−1, 0),
// (W−1, H−1), (0, H−1) onto the face's four image positions (an 8 × 8 linear system), and the
// texture resampled bilinearly through it. Texture pixels whose position falls outside the
// photograph, onto its last column or row, or nowhere finite, get no sample and are black.

#include "image/PixelImage.h"

#include <string>

class CSingleImage;

// The homography M (h8 = 1) from texture to image pixel positions.
void FitTextureHomography(const double U[4], const double V[4], int W, int H, double M[3][3]);

// The size of a face's texture: the box around its four pixel positions, each side
// trunc(extent + 1.0 + 0.5). False, with the reason, when a position is not finite or the
// texture would be larger than kMaxPixelBytes.
bool FaceTextureSize(const double U[4], const double V[4], int& W, int& H, std::string& problem);

// Lets RectifyTexture use one thread per core for large textures and one for small ones.
inline constexpr int kAnyThreadCount = 0;

// The W × H texture (RGB, bottom row first); no pixels when the memory cannot be had. Large
// textures are shared out among threadCount threads (the same bytes for any count).
CPixelImage RectifyTexture(const CSingleImage& model, const double U[4], const double V[4], int W, int H,
                           int threadCount = kAnyThreadCount);
