#pragma once
// One texture row, sampled through the homography: the hot loop of rectification. Every kernel
// gives, bit for bit, what the matrix-vector product and the bilinear sampler give for each
// pixel (the same operations in the same order, in double precision, no fused multiply-add), so
// the vector kernels can be checked against the plain one. The widest kernel this processor runs
// is chosen at run time; every machine can run the plain one.

struct CRectificationSource {
  const unsigned char* pixels;  // RGB, bottom row first, no padding; null: nothing to sample
  int width;
  int height;
};

// The ways of sampling a row: one pixel at a time, four at a time (AVX2), eight (AVX-512).
enum class CRowKernel { kPlain, kAvx2, kAvx512 };

// True when this processor can run the kernel.
bool RowKernelRuns(CRowKernel kernel);

// The widest kernel this processor runs.
CRowKernel FastestRowKernel();

// Fills pixels firstX … endX−1 of texture row y (3 bytes each; out is the row's start) with the
// given kernel, which must run here. Pixels without a sample are black.
void SampleTextureRowWith(CRowKernel kernel, const CRectificationSource& source, const double M[3][3], int y,
                          int firstX, int endX, unsigned char* out);

// The same with the fastest kernel.
void SampleTextureRow(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX,
                      unsigned char* out);

// The same one pixel at a time, without vector instructions.
void SampleTextureRowPlain(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX,
                           unsigned char* out);

// Asks the processor to bring the photograph lines that pixels firstX … endX−1 of texture row y
// will read into cache, so that a row can be fetched while an earlier one is sampled. Changes
// nothing visible.
void PrefetchTextureRowSource(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX);

// The bilinear sample at the fractional pixel position (u, v): true and three bytes when the
// position lies in the photograph and all four neighbours exist (so not on its last column or
// row); each byte is the blend of the neighbours rounded half up.
bool SampleBilinearAt(const CRectificationSource& source, double u, double v, unsigned char* out);
