// Eight texture pixels a step, one in each lane of a 512-bit vector: the projection, the
// division, the range tests and the blend of each channel run lane-parallel in double precision,
// in the plain kernel's order of operations.

#include "texture/RectificationVector.h"

#ifdef PELORIN_HAVE_VECTOR_KERNELS
// GCC 12 takes the deliberately undefined first operand of the 512-bit intrinsics for an
// uninitialised variable.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#define PELORIN_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi")))

namespace {

// Byte b of each 64-bit lane, zero-extended, as a double.
PELORIN_AVX512 inline __m512d ByteAsDouble(__m512i lanes, __m512i selectByte) {
  return _mm512_cvtepi64_pd(_mm512_maskz_permutexvar_epi8(0x0101010101010101ULL, selectByte, lanes));
}

PELORIN_AVX512 inline __m512i ByteSelector(int b) {
  return _mm512_set_epi64(56 + b, 48 + b, 40 + b, 32 + b, 24 + b, 16 + b, 8 + b, b);
}

// One channel of eight pixels: the blend of the four neighbours, rounded half up, in the lowest
// byte of each 64-bit lane (0 where there is no sample). lower holds bytes p00 p10 (row j),
// upper two bytes before p01, then p01 p11 (row j + 1).
PELORIN_AVX512 inline __m512i BlendChannel(__m512i lower, __m512i upper, const __m512i select[8], int c, __m512d fu,
                                           __m512d fv, __mmask8 valid) {
  const __m512d c00 = ByteAsDouble(lower, select[c]);
  const __m512d c10 = ByteAsDouble(lower, select[c + 3]);
  const __m512d c01 = ByteAsDouble(upper, select[c + 2]);
  const __m512d c11 = ByteAsDouble(upper, select[c + 5]);
  // The byte differences are small integers, so subtracting them as doubles is exact.
  const __m512d bottom = _mm512_add_pd(c00, _mm512_mul_pd(_mm512_sub_pd(c10, c00), fu));
  const __m512d top = _mm512_add_pd(c01, _mm512_mul_pd(_mm512_sub_pd(c11, c01), fu));
  const __m512d value = _mm512_add_pd(bottom, _mm512_mul_pd(_mm512_sub_pd(top, bottom), fv));
  return _mm512_maskz_cvttpd_epi64(valid, _mm512_add_pd(value, _mm512_set1_pd(0.5)));
}

}  // namespace

PELORIN_AVX512 void SampleTextureRowAvx512(const CRectificationSource& source, const double M[3][3], int y,
                                           int firstX, int endX, unsigned char* out) {
  const int width = source.width, height = source.height;
  const double yd = y;
  // M[i][1]·y is the same for the whole row; adding it in the same place keeps every sum exact.
  // The plain kernel's "+ 0" after M[i][0]·x only turns a −0 into +0, which changes no byte.
  const __m512d rowA = _mm512_set1_pd(M[0][1] * yd), rowB = _mm512_set1_pd(M[1][1] * yd),
                rowC = _mm512_set1_pd(M[2][1] * yd);
  const __m512d m00 = _mm512_set1_pd(M[0][0]), m10 = _mm512_set1_pd(M[1][0]), m20 = _mm512_set1_pd(M[2][0]);
  const __m512d m02 = _mm512_set1_pd(M[0][2] * 1.0), m12 = _mm512_set1_pd(M[1][2] * 1.0),
                m22 = _mm512_set1_pd(M[2][2] * 1.0);
  const __m512d zero = _mm512_setzero_pd();
  const __m512d widthD = _mm512_set1_pd(width), heightD = _mm512_set1_pd(height);
  const __m512d lastI = _mm512_set1_pd(width - 2.0), lastJ = _mm512_set1_pd(height - 2.0);
  const __m512d eight = _mm512_set1_pd(8);
  const long long rowBytes = static_cast<long long>(width) * 3;
  const __m512i rowBytesLanes = _mm512_set1_epi64(rowBytes), threeLanes = _mm512_set1_epi64(3);
  const unsigned char* lowerBase = source.pixels;
  const unsigned char* upperBase = source.pixels + rowBytes - 2;
  __m512i select[8];
  for (int b = 0; b < 8; ++b) select[b] = ByteSelector(b);
  // Red and green of eight pixels (byte 0 of each 64-bit lane) into the first two bytes of eight
  // RGB triples, then blue into the third.
  alignas(64) std::uint8_t redGreenOrder[64] = {}, blueOrder[64] = {};
  for (int k = 0; k < 8; ++k) {
    redGreenOrder[3 * k] = static_cast<std::uint8_t>(8 * k);
    redGreenOrder[3 * k + 1] = static_cast<std::uint8_t>(64 + 8 * k);
    blueOrder[3 * k] = static_cast<std::uint8_t>(3 * k);
    blueOrder[3 * k + 1] = static_cast<std::uint8_t>(3 * k + 1);
    blueOrder[3 * k + 2] = static_cast<std::uint8_t>(64 + 8 * k);
  }
  const __m512i redGreen = _mm512_load_si512(redGreenOrder), blueLast = _mm512_load_si512(blueOrder);

  __m512d xs = _mm512_add_pd(_mm512_set1_pd(firstX), _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7));
  int x = firstX;
  for (; x + 8 <= endX; x += 8, xs = _mm512_add_pd(xs, eight)) {
    const __m512d a = _mm512_add_pd(m02, _mm512_add_pd(rowA, _mm512_mul_pd(m00, xs)));
    const __m512d b = _mm512_add_pd(m12, _mm512_add_pd(rowB, _mm512_mul_pd(m10, xs)));
    const __m512d c = _mm512_add_pd(m22, _mm512_add_pd(rowC, _mm512_mul_pd(m20, xs)));
    const __m512d u = _mm512_div_pd(a, c);
    const __m512d v = _mm512_div_pd(b, c);
    __mmask8 valid = _mm512_cmp_pd_mask(u, zero, _CMP_GE_OQ) & _mm512_cmp_pd_mask(u, widthD, _CMP_LT_OQ) &
                     _mm512_cmp_pd_mask(v, zero, _CMP_GE_OQ) & _mm512_cmp_pd_mask(v, heightD, _CMP_LT_OQ);
    const __m512d safeU = _mm512_maskz_mov_pd(valid, u), safeV = _mm512_maskz_mov_pd(valid, v);
    const __m512i i = _mm512_cvttpd_epi64(safeU), j = _mm512_cvttpd_epi64(safeV);
    const __m512d id = _mm512_cvtepi64_pd(i), jd = _mm512_cvtepi64_pd(j);
    valid &= _mm512_cmp_pd_mask(id, lastI, _CMP_LE_OQ) & _mm512_cmp_pd_mask(jd, lastJ, _CMP_LE_OQ);
    unsigned char* pixel = out + 3 * static_cast<size_t>(x);
    if (valid == 0) {
      std::memset(pixel, 0, 24);
      continue;
    }
    const __m512d fu = _mm512_sub_pd(safeU, id), fv = _mm512_sub_pd(safeV, jd);
    // Lanes without a sample read pixel (0, 0), which every photograph of 2 × 2 pixels has.
    const __m512i offset =
        _mm512_maskz_add_epi64(valid, _mm512_mul_epu32(j, rowBytesLanes), _mm512_mul_epu32(i, threeLanes));
    const __m512i lower = _mm512_i64gather_epi64(offset, lowerBase, 1);
    const __m512i upper = _mm512_i64gather_epi64(offset, upperBase, 1);
    const __m512i red = BlendChannel(lower, upper, select, 0, fu, fv, valid);
    const __m512i green = BlendChannel(lower, upper, select, 1, fu, fv, valid);
    const __m512i blue = BlendChannel(lower, upper, select, 2, fu, fv, valid);
    const __m512i triples = _mm512_permutex2var_epi8(_mm512_permutex2var_epi8(red, redGreen, green), blueLast, blue);
    _mm512_mask_storeu_epi8(pixel, 0x0000000000FFFFFFULL, triples);
  }
  SampleTextureRowPlain(source, M, y, x, endX, out);
}
#endif
