#pragma once
// One texture row, sampled through the homography: the hot loop of rectification. It gives,
// bit for bit, what the matrix-vector product and the bilinear sampler give for each pixel
// (the same operations in the same order, in double precision), so the vector path can be
// checked against the plain one. The vector path is chosen at run time where the processor has
// AVX2; every machine can run the plain one.

struct CRectificationSource {
  const unsigned char* pixels;  // RGB, bottom row first, no padding; null: nothing to sample
  int width;
  int height;
};

// Fills pixels firstX … endX−1 of texture row y (3 bytes each; out is the row's start).
void SampleTextureRow(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX,
                      unsigned char* out);

// The same one pixel at a time, without vector instructions.
void SampleTextureRowPlain(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX,
                           unsigned char* out);

// The bilinear sample at the fractional pixel position (u, v): true and three bytes when the
// position lies in the photograph and all four neighbours exist (so not on its last column or
// row); each byte is the blend of the neighbours rounded half up.
bool SampleBilinearAt(const CRectificationSource& source, double u, double v, unsigned char* out);
