#include "texture/RectificationKernel.h"

#include "numerics/Matrix.h"

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

void SampleTextureRowPlain(const CRectificationSource& source, const double M[3][3], int y, int firstX, int W,
                           unsigned char* out) {
  for (int x = firstX; x < W; ++x) {
    double image[3];
    Project(M, x, y, image);
    unsigned char* pixel = out + 3 * static_cast<size_t>(x);
    if (!SampleBilinearAt(source, image[0] / image[2], image[1] / image[2], pixel)) pixel[0] = pixel[1] = pixel[2] = 0;
  }
}

#ifdef PELORIN_HAVE_AVX2_KERNEL
namespace {

// Four texture pixels a step. Neighbours are gathered as 32-bit words whose low three bytes are
// the pixel; the right-hand neighbours are read from one byte before and shifted, so no read
// goes past the last byte of the photograph.
__attribute__((target("avx2"))) void SampleTextureRowAvx2(const CRectificationSource& source, const double M[3][3],
                                                          int y, int W, unsigned char* out) {
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
  const __m256d half = _mm256_set1_pd(0.5);
  const __m128i stride = _mm_set1_epi32(width * 3);
  const __m128i widthI = _mm_set1_epi32(width);
  const __m128i three = _mm_set1_epi32(3);
  const __m128i byteMask = _mm_set1_epi32(0xFF);
  const int* base = reinterpret_cast<const int*>(source.pixels);
  const __m256d steps = _mm256_setr_pd(0, 1, 2, 3);

  int x = 0;
  for (; x + 4 <= W; x += 4) {
    const __m256d xs = _mm256_add_pd(_mm256_set1_pd(x), steps);
    const __m256d a = _mm256_add_pd(m02, _mm256_add_pd(rowA, _mm256_add_pd(_mm256_mul_pd(m00, xs), zero)));
    const __m256d b = _mm256_add_pd(m12, _mm256_add_pd(rowB, _mm256_add_pd(_mm256_mul_pd(m10, xs), zero)));
    const __m256d c = _mm256_add_pd(m22, _mm256_add_pd(rowC, _mm256_add_pd(_mm256_mul_pd(m20, xs), zero)));
    const __m256d u = _mm256_div_pd(a, c);
    const __m256d v = _mm256_div_pd(b, c);
    __m256d valid = _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(u, zero, _CMP_GE_OQ), _mm256_cmp_pd(u, widthD, _CMP_LT_OQ)),
                                  _mm256_and_pd(_mm256_cmp_pd(v, zero, _CMP_GE_OQ), _mm256_cmp_pd(v, heightD, _CMP_LT_OQ)));
    // Invalid lanes sample pixel (0, 0) harmlessly and are blacked out afterwards.
    const __m256d safeU = _mm256_and_pd(u, valid), safeV = _mm256_and_pd(v, valid);
    const __m128i i = _mm256_cvttpd_epi32(safeU);
    const __m128i j = _mm256_cvttpd_epi32(safeV);
    const __m256d id = _mm256_cvtepi32_pd(i), jd = _mm256_cvtepi32_pd(j);
    valid = _mm256_and_pd(valid, _mm256_and_pd(_mm256_cmp_pd(id, lastI, _CMP_LE_OQ), _mm256_cmp_pd(jd, lastJ, _CMP_LE_OQ)));
    const int validLanes = _mm256_movemask_pd(valid);
    if (validLanes == 0) {
      for (int k = 0; k < 12; ++k) out[3 * x + k] = 0;
      continue;
    }
    const __m128i validI = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(
        _mm256_castpd_si256(valid), _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0)));
    const __m128i offset = _mm_and_si128(_mm_mullo_epi32(_mm_add_epi32(_mm_mullo_epi32(j, widthI), i), three), validI);
    const __m256d fu = _mm256_sub_pd(safeU, id);
    const __m256d fv = _mm256_sub_pd(safeV, jd);
    const __m128i p00 = _mm_i32gather_epi32(base, offset, 1);
    const __m128i p01 = _mm_i32gather_epi32(base, _mm_add_epi32(offset, stride), 1);
    const __m128i p10 = _mm_srli_epi32(_mm_i32gather_epi32(base, _mm_add_epi32(offset, _mm_set1_epi32(2)), 1), 8);
    const __m128i p11 =
        _mm_srli_epi32(_mm_i32gather_epi32(base, _mm_add_epi32(offset, _mm_add_epi32(stride, _mm_set1_epi32(2))), 1), 8);
    __m128i channel[3];
    for (int k = 0; k < 3; ++k) {
      const int shift = 8 * k;
      const __m128i c00 = _mm_and_si128(_mm_srli_epi32(p00, shift), byteMask);
      const __m128i c10 = _mm_and_si128(_mm_srli_epi32(p10, shift), byteMask);
      const __m128i c01 = _mm_and_si128(_mm_srli_epi32(p01, shift), byteMask);
      const __m128i c11 = _mm_and_si128(_mm_srli_epi32(p11, shift), byteMask);
      const __m256d lower = _mm256_add_pd(_mm256_cvtepi32_pd(c00), _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_sub_epi32(c10, c00)), fu));
      const __m256d upper = _mm256_add_pd(_mm256_cvtepi32_pd(c01), _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_sub_epi32(c11, c01)), fu));
      const __m256d value = _mm256_add_pd(lower, _mm256_mul_pd(_mm256_sub_pd(upper, lower), fv));
      channel[k] = _mm_and_si128(_mm256_cvttpd_epi32(_mm256_add_pd(value, half)), validI);
    }
    alignas(16) int r[4], g[4], bl[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(r), channel[0]);
    _mm_store_si128(reinterpret_cast<__m128i*>(g), channel[1]);
    _mm_store_si128(reinterpret_cast<__m128i*>(bl), channel[2]);
    unsigned char* pixel = out + 3 * static_cast<size_t>(x);
    for (int k = 0; k < 4; ++k) {
      pixel[3 * k] = static_cast<unsigned char>(r[k]);
      pixel[3 * k + 1] = static_cast<unsigned char>(g[k]);
      pixel[3 * k + 2] = static_cast<unsigned char>(bl[k]);
    }
  }
  SampleTextureRowPlain(source, M, y, x, W, out);
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace
#endif

void SampleTextureRow(const CRectificationSource& source, const double M[3][3], int y, int W, unsigned char* out) {
#ifdef PELORIN_HAVE_AVX2_KERNEL
  // The gathers need a photograph of at least 2 × 2 pixels; smaller ones give no sample anyway.
  if (HasAvx2() && source.pixels && source.width >= 2 && source.height >= 2) {
    SampleTextureRowAvx2(source, M, y, W, out);
    return;
  }
#endif
  SampleTextureRowPlain(source, M, y, 0, W, out);
}
