#include "texture/RectificationKernel.h"

#include "numerics/Matrix.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define PELORIN_HAVE_AVX2_KERNEL 1
#endif

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

#ifdef PELORIN_HAVE_AVX2_KERNEL
namespace {

// The blend of one pixel with its three channels side by side in one vector (the fourth lane is
// spare). Each row pair of neighbours comes from one 8-byte load: row j from the pixel itself,
// which has a row above it; row j + 1 from two bytes before, so no load passes the last byte.
__attribute__((target("avx2"))) inline void BlendPixel(const unsigned char* p00, size_t rowBytes, __m256d fu,
                                                       __m256d fv, unsigned char* out) {
  const __m128i lowerRow = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p00));
  const __m128i upperRow = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p00 + rowBytes - 2));
  const __m256d c00 = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(lowerRow));
  const __m256d c10 = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(lowerRow, 3)));
  const __m256d c01 = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(upperRow, 2)));
  const __m256d c11 = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(upperRow, 5)));
  // The byte differences are small integers, so subtracting them as doubles is exact.
  const __m256d lower = _mm256_add_pd(c00, _mm256_mul_pd(_mm256_sub_pd(c10, c00), fu));
  const __m256d upper = _mm256_add_pd(c01, _mm256_mul_pd(_mm256_sub_pd(c11, c01), fu));
  const __m256d value = _mm256_add_pd(lower, _mm256_mul_pd(_mm256_sub_pd(upper, lower), fv));
  const __m128i bytes = _mm256_cvttpd_epi32(_mm256_add_pd(value, _mm256_set1_pd(0.5)));
  const int packed = _mm_cvtsi128_si32(_mm_shuffle_epi8(bytes, _mm_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1,
                                                                              -1, -1, -1, -1, -1, -1)));
  std::memcpy(out, &packed, 3);
}

// Four texture pixels a step for the projection, the division and the range tests.
__attribute__((target("avx2"))) void SampleTextureRowAvx2(const CRectificationSource& source, const double M[3][3],
                                                          int y, int firstX, int endX, unsigned char* out) {
  const int width = source.width, height = source.height;
  const double yd = y;
  // M[i][1]·y is the same for the whole row; adding it in the same place keeps every sum exact.
  const __m256d rowA = _mm256_set1_pd(M[0][1] * yd), rowB = _mm256_set1_pd(M[1][1] * yd),
                rowC = _mm256_set1_pd(M[2][1] * yd);
  const __m256d m00 = _mm256_set1_pd(M[0][0]), m10 = _mm256_set1_pd(M[1][0]), m20 = _mm256_set1_pd(M[2][0]);
  const __m256d m02 = _mm256_set1_pd(M[0][2] * 1.0), m12 = _mm256_set1_pd(M[1][2] * 1.0),
                m22 = _mm256_set1_pd(M[2][2] * 1.0);
  const __m256d zero = _mm256_setzero_pd();
  const __m256d widthD = _mm256_set1_pd(width), heightD = _mm256_set1_pd(height);
  const __m256d lastI = _mm256_set1_pd(width - 2.0), lastJ = _mm256_set1_pd(height - 2.0);
  const __m256d steps = _mm256_setr_pd(0, 1, 2, 3);
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const long long lastByte = static_cast<long long>(rowBytes) * height;
  constexpr long long kPrefetchSteps = 6;

  int x = firstX;
  for (; x + 4 <= endX; x += 4) {
    const __m256d xs = _mm256_add_pd(_mm256_set1_pd(x), steps);
    const __m256d a = _mm256_add_pd(m02, _mm256_add_pd(rowA, _mm256_add_pd(_mm256_mul_pd(m00, xs), zero)));
    const __m256d b = _mm256_add_pd(m12, _mm256_add_pd(rowB, _mm256_add_pd(_mm256_mul_pd(m10, xs), zero)));
    const __m256d c = _mm256_add_pd(m22, _mm256_add_pd(rowC, _mm256_add_pd(_mm256_mul_pd(m20, xs), zero)));
    const __m256d u = _mm256_div_pd(a, c);
    const __m256d v = _mm256_div_pd(b, c);
    __m256d valid = _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(u, zero, _CMP_GE_OQ), _mm256_cmp_pd(u, widthD, _CMP_LT_OQ)),
                                  _mm256_and_pd(_mm256_cmp_pd(v, zero, _CMP_GE_OQ), _mm256_cmp_pd(v, heightD, _CMP_LT_OQ)));
    const __m256d safeU = _mm256_and_pd(u, valid), safeV = _mm256_and_pd(v, valid);
    const __m128i i = _mm256_cvttpd_epi32(safeU);
    const __m128i j = _mm256_cvttpd_epi32(safeV);
    const __m256d id = _mm256_cvtepi32_pd(i), jd = _mm256_cvtepi32_pd(j);
    valid = _mm256_and_pd(valid, _mm256_and_pd(_mm256_cmp_pd(id, lastI, _CMP_LE_OQ), _mm256_cmp_pd(jd, lastJ, _CMP_LE_OQ)));
    const int validLanes = _mm256_movemask_pd(valid);
    unsigned char* pixel = out + 3 * static_cast<size_t>(x);
    if (validLanes == 0) {
      std::memset(pixel, 0, 12);
      continue;
    }
    alignas(32) double fu[4], fv[4];
    alignas(16) int column[4], row[4];
    _mm256_store_pd(fu, _mm256_sub_pd(safeU, id));
    _mm256_store_pd(fv, _mm256_sub_pd(safeV, jd));
    _mm_store_si128(reinterpret_cast<__m128i*>(column), i);
    _mm_store_si128(reinterpret_cast<__m128i*>(row), j);
    // Along a row the photograph position moves nearly linearly: fetch the lines a few steps
    // ahead into cache while this step blends.
    if (validLanes == 0xF) {
      const long long here = static_cast<long long>(row[3]) * static_cast<long long>(rowBytes) + 3LL * column[3];
      const long long step = here - (static_cast<long long>(row[0]) * static_cast<long long>(rowBytes) + 3LL * column[0]);
      const long long ahead = here + kPrefetchSteps * step;
      if (ahead >= 0 && ahead + static_cast<long long>(rowBytes) < lastByte) {
        _mm_prefetch(reinterpret_cast<const char*>(source.pixels + ahead), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(source.pixels + ahead + rowBytes), _MM_HINT_T0);
      }
    }
    for (int k = 0; k < 4; ++k, pixel += 3) {
      if (!(validLanes & (1 << k))) {
        pixel[0] = pixel[1] = pixel[2] = 0;
        continue;
      }
      const unsigned char* p00 = source.pixels + static_cast<size_t>(row[k]) * rowBytes + 3 * static_cast<size_t>(column[k]);
      BlendPixel(p00, rowBytes, _mm256_set1_pd(fu[k]), _mm256_set1_pd(fv[k]), pixel);
    }
  }
  SampleTextureRowPlain(source, M, y, x, endX, out);
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace
#endif

void SampleTextureRow(const CRectificationSource& source, const double M[3][3], int y, int firstX, int endX,
                      unsigned char* out) {
#ifdef PELORIN_HAVE_AVX2_KERNEL
  // The loads need a photograph of at least 2 × 2 pixels; smaller ones give no sample anyway.
  if (HasAvx2() && source.pixels && source.width >= 2 && source.height >= 2) {
    SampleTextureRowAvx2(source, M, y, firstX, endX, out);
    return;
  }
#endif
  SampleTextureRowPlain(source, M, y, firstX, endX, out);
}
