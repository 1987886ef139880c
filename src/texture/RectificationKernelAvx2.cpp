// Four texture pixels a step, one in each lane of a 256-bit vector: the projection, the
// division, the range tests and the blend of each channel run lane-parallel in double precision,
// in the plain kernel's order of operations.

#include "texture/RectificationVector.h"

#ifdef PELORIN_HAVE_VECTOR_KERNELS
#include <immintrin.h>

#include <cstring>

#define PELORIN_AVX2 __attribute__((target("avx2")))

namespace {

// Byte b of each 64-bit lane, zero-extended, as a double: the byte becomes the low mantissa bits
// of 2^52, and subtracting 2^52 again is exact.
PELORIN_AVX2 inline __m256d ByteAsDouble(__m256i lanes, __m256i selectByte) {
  const __m256i twoPow52Bits = _mm256_set1_epi64x(0x4330000000000000LL);
  const __m256d widened = _mm256_castsi256_pd(_mm256_or_si256(_mm256_shuffle_epi8(lanes, selectByte), twoPow52Bits));
  return _mm256_sub_pd(widened, _mm256_set1_pd(4503599627370496.0));
}

PELORIN_AVX2 inline __m256i ByteSelector(int b) {
  // Byte b of each 64-bit lane into the lane's lowest byte; the other seven bytes cleared.
  const long long lane = 0x8080808080808000LL | b;
  return _mm256_set_epi64x(lane + 8, lane, lane + 8, lane);
}

// One channel of four pixels: the blend of the four neighbours, rounded half up, as 32-bit ints.
// lower holds bytes p00 p10 (row j), upper two bytes before p01, then p01 p11 (row j + 1).
PELORIN_AVX2 inline __m128i BlendChannel(__m256i lower, __m256i upper, const __m256i select[8], int c, __m256d fu,
                                         __m256d fv, __m256d valid) {
  const __m256d c00 = ByteAsDouble(lower, select[c]);
  const __m256d c10 = ByteAsDouble(lower, select[c + 3]);
  const __m256d c01 = ByteAsDouble(upper, select[c + 2]);
  const __m256d c11 = ByteAsDouble(upper, select[c + 5]);
  // The byte differences are small integers, so subtracting them as doubles is exact.
  const __m256d bottom = _mm256_add_pd(c00, _mm256_mul_pd(_mm256_sub_pd(c10, c00), fu));
  const __m256d top = _mm256_add_pd(c01, _mm256_mul_pd(_mm256_sub_pd(c11, c01), fu));
  const __m256d value = _mm256_and_pd(_mm256_add_pd(bottom, _mm256_mul_pd(_mm256_sub_pd(top, bottom), fv)), valid);
  return _mm256_cvttpd_epi32(_mm256_add_pd(value, _mm256_set1_pd(0.5)));
}

}  // namespace

PELORIN_AVX2 void SampleTextureRowAvx2(const CRectificationSource& source, const double M[3][3], int y, int firstX,
                                       int endX, unsigned char* out) {
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
  const long long rowBytes = static_cast<long long>(width) * 3;
  const __m256i rowBytesLanes = _mm256_set1_epi64x(rowBytes), threeLanes = _mm256_set1_epi64x(3);
  const long long* lowerBase = reinterpret_cast<const long long*>(source.pixels);
  const long long* upperBase = reinterpret_cast<const long long*>(source.pixels + rowBytes - 2);
  __m256i select[8];
  for (int b = 0; b < 8; ++b) select[b] = ByteSelector(b);
  // Bytes R0-3 G0-3 B0-3 into four RGB triples.
  const __m128i interleave = _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);

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
    const __m128i i = _mm256_cvttpd_epi32(safeU), j = _mm256_cvttpd_epi32(safeV);
    const __m256d id = _mm256_cvtepi32_pd(i), jd = _mm256_cvtepi32_pd(j);
    valid = _mm256_and_pd(valid, _mm256_and_pd(_mm256_cmp_pd(id, lastI, _CMP_LE_OQ), _mm256_cmp_pd(jd, lastJ, _CMP_LE_OQ)));
    unsigned char* pixel = out + 3 * static_cast<size_t>(x);
    if (_mm256_movemask_pd(valid) == 0) {
      std::memset(pixel, 0, 12);
      continue;
    }
    const __m256d fu = _mm256_sub_pd(safeU, id), fv = _mm256_sub_pd(safeV, jd);
    // Lanes without a sample read pixel (0, 0), which every photograph of 2 × 2 pixels has.
    const __m256i offset = _mm256_and_si256(
        _mm256_castpd_si256(valid), _mm256_add_epi64(_mm256_mul_epu32(_mm256_cvtepi32_epi64(j), rowBytesLanes),
                                                     _mm256_mul_epu32(_mm256_cvtepi32_epi64(i), threeLanes)));
    const __m256i lower = _mm256_i64gather_epi64(lowerBase, offset, 1);
    const __m256i upper = _mm256_i64gather_epi64(upperBase, offset, 1);
    const __m128i red = BlendChannel(lower, upper, select, 0, fu, fv, valid);
    const __m128i green = BlendChannel(lower, upper, select, 1, fu, fv, valid);
    const __m128i blue = BlendChannel(lower, upper, select, 2, fu, fv, valid);
    const __m128i planes = _mm_packus_epi16(_mm_packus_epi32(red, green), _mm_packus_epi32(blue, blue));
    const __m128i triples = _mm_shuffle_epi8(planes, interleave);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(pixel), triples);
    const int last = _mm_extract_epi32(triples, 2);
    std::memcpy(pixel + 8, &last, 4);
  }
  SampleTextureRowPlain(source, M, y, x, endX, out);
}
#endif
