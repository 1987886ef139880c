#include "image/ChannelSwap.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PELORIN_HAVE_SSSE3_SWAP 1
#endif

namespace {

void CopySwappingScalar(const unsigned char* source, unsigned char* target, size_t pixelCount) {
  for (size_t i = 0; i < pixelCount; ++i) {
    target[3 * i] = source[3 * i + 2];
    target[3 * i + 1] = source[3 * i + 1];
    target[3 * i + 2] = source[3 * i];
  }
}

#ifdef PELORIN_HAVE_SSSE3_SWAP
// Four pixels (12 bytes) per shuffle of a 16-byte load; the four extra bytes written are
// rewritten by the next step, and the loop stops while 16 bytes still fit on both sides.
__attribute__((target("ssse3"))) void CopySwappingSsse3(const unsigned char* source,
                                                        unsigned char* target, size_t pixelCount) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
  const size_t bytes = pixelCount * 3;
  size_t offset = 0;
  for (; offset + 64 <= bytes; offset += 48) {
    for (size_t step = 0; step < 48; step += 12) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + offset + step));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(target + offset + step), _mm_shuffle_epi8(block, order));
    }
  }
  for (; offset + 16 <= bytes; offset += 12) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + offset));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target + offset), _mm_shuffle_epi8(block, order));
  }
  CopySwappingScalar(source + offset, target + offset, (bytes - offset) / 3);
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

}  // namespace

void CopySwappingRedBlue(const unsigned char* source, unsigned char* target, size_t pixelCount) {
#ifdef PELORIN_HAVE_SSSE3_SWAP
  if (HasSsse3()) {
    CopySwappingSsse3(source, target, pixelCount);
    return;
  }
#endif
  CopySwappingScalar(source, target, pixelCount);
}
