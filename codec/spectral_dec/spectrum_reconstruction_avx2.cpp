// The descending copy of the upward folding with SSE2: 8 words reversed per
// step, the rest one by one.
#include "spectral_dec/spectrum_reconstruction.h"

#if defined(__x86_64__)

#include <emmintrin.h>

void copy_descending_avx2(Word16 *v, int s, int k, int count) {
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(v + s - i - 7));
    x = _mm_shuffle_epi32(x, 0x1B);                               // dwords 3 2 1 0
    x = _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xB1), 0xB1);  // and the words inside them
    _mm_storeu_si128(reinterpret_cast<__m128i *>(v + k + i), x);
  }
  copy_descending(v, s - i, k + i, count - i);
}

#else

#include <cstdlib>

void copy_descending_avx2(Word16 *, int, int, int) { std::abort(); }

#endif
