#pragma once
// The vector kernels behind SampleTextureRowWith, each compiled for its own instruction set.
// They need a photograph of at least 2 × 2 pixels (their loads of a pixel's neighbours reach two
// bytes to either side) and hand the last few pixels of a row to the plain kernel.

#include "texture/RectificationKernel.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define PELORIN_HAVE_VECTOR_KERNELS 1

void SampleTextureRowAvx2(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX,
                          unsigned char* out);
void SampleTextureRowAvx512(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX,
                            unsigned char* out);
#endif
