#include "texture/RectificationKernel.h"

#include "numerics/Matrix.h"
#include "texture/RectificationVector.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// The three coordinates of M·(x, y, 1), each summed as ((M[i][0]·x + 0) + M[i][1]·y) + M[i][2]·1.
inline void Project(const double M[3][3], double x, double y, double out[3]) {
  for (int i = 0; i < 3; ++i) {
    double sum = 0;
    sum = M[i][0] * x + sum;
    sum = M[i][1] * y + sum;
    sum = M[i][2] * 1.0 + sum;
    out[i] = sum;
  }
}

}  // namespace

bool SampleBilinearAt(const CRectificationSource& source, double u, double v, unsigned char* out) {
  const int width = source.width, height = source.height;
  if (!source.pixels || !(u >= 0 && u < width && v >= 0 && v < height)) return false;
  const int i = static_cast<int>(u);
  const int j = static_cast<int>(v);
  if (i + 1 >= width || j + 1 >= height) return false;
  const double fu = u - i;
  const double fv = v - j;
  const unsigned char* p00 = source.pixels + (static_cast<size_t>(j) * width + i) * 3;
  const unsigned char* p10 = p00 + 3;
  const unsigned char* p01 = p00 + static_cast<size_t>(width) * 3;
  const unsigned char* p11 = p01 + 3;
  const CMatrix matrix;
  for (int c = 0; c < 3; ++c)
    out[c] = static_cast<unsigned char>(matrix.BilinearInterpolate(fu, fv, p00[c], p10[c], p01[c], p11[c]) + 0.5);
  return true;
}

void SampleTextureRowPlain(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX,
                           unsigned char* out) {
  for (int x = firstX; x < endX; ++x) {
    double image[3];
    Project(M, x, y, image);
    unsigned char* pixel = out + 3 * static_cast<size_t>(x);
    if (!SampleBilinearAt(source, image[0] / image[2], image[1] / image[2], pixel)) pixel[0] = pixel[1] = pixel[2] = 0;
  }
}

void PrefetchTextureRowSource(const CRectificationSource& source, const double M[3][3], int y, int firstX,
                              int endX) {
  if (!source.pixels || endX <= firstX) return;
  double first[3], last[3];
  Project(M, firstX, y, first);
  Project(M, endX - 1, y, last);
  const double u0 = first[0] / first[2], v0 = first[1] / first[2];
  const double u1 = last[0] / last[2], v1 = last[1] / last[2];
  if (!std::isfinite(u0) || !std::isfinite(v0) || !std::isfinite(u1) || !std::isfinite(v1)) return;
  // Over a tile the mapping is close to linear: walk the segment between the ends a cache line at
  // a time, taking the photograph row of each point and the one above it.
  constexpr double kLineBytes = 64;
  const size_t rowBytes = static_cast<size_t>(source.width) * 3;
  const int steps = 1 + static_cast<int>(std::min(4096.0, std::fabs(u1 - u0) * 3 / kLineBytes));
  const double du = (u1 - u0) / steps, dv = (v1 - v0) / steps;
  const double lastU = source.width - 1, lastV = source.height - 1;
  double u = u0, v = v0;
  for (int k = 0; k <= steps; ++k, u += du, v += dv) {
    if (!(u >= 0 && u < lastU && v >= 0 && v < lastV)) continue;
    const unsigned char* p00 = source.pixels + static_cast<size_t>(v) * rowBytes + 3 * static_cast<size_t>(u);
    __builtin_prefetch(p00);
    __builtin_prefetch(p00 + rowBytes);
  }
}

bool RowKernelRuns(CRowKernel kernel) {
  switch (kernel) {
    case CRowKernel::kPlain:
      return true;
#ifdef PELORIN_HAVE_VECTOR_KERNELS
    case CRowKernel::kAvx2: {
      static const bool runs = __builtin_cpu_supports("avx2");
      return runs;
    }
    case CRowKernel::kAvx512: {
      static const bool runs = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
                               __builtin_cpu_supports("avx512vbmi");
      return runs;
    }
#endif
    default:
      return false;
  }
}

CRowKernel FastestRowKernel() {
  static const CRowKernel fastest = RowKernelRuns(CRowKernel::kAvx512) ? CRowKernel::kAvx512
                                    : RowKernelRuns(CRowKernel::kAvx2) ? CRowKernel::kAvx2
                                                                        : CRowKernel::kPlain;
  return fastest;
}

void SampleTextureRowWith(CRowKernel kernel, const CRectificationSource& source, const double M[3][3], int y,
                          int firstX, int endX, unsigned char* out) {
#ifdef PELORIN_HAVE_VECTOR_KERNELS
  // The vector loads need a photograph of at least 2 × 2 pixels; smaller ones give no sample anyway.
  if (source.pixels && source.width >= 2 && source.height >= 2) {
    if (kernel == CRowKernel::kAvx512) return SampleTextureRowAvx512(source, M, y, firstX, endX, out);
    if (kernel == CRowKernel::kAvx2) return SampleTextureRowAvx2(source, M, y, firstX, endX, out);
  }
#else
  (void)kernel;
#endif
  SampleTextureRowPlain(source, M, y, firstX, endX, out);
}

void SampleTextureRow(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX,
                      unsigned char* out) {
  SampleTextureRowWith(FastestRowKernel(), source, M, y, firstX, endX, out);
}
