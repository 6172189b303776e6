// The high-pass filter's input terms and output narrowing with AVX2.
#include "transform/transient_highpass.h"

#if defined(__x86_64__)

#include "transform/simd_ops_avx2.h"

namespace {

G719_AVX2 Word32 input_terms_kernel(const Word16 *x, Word16 prev_in, Word32 *d) {
  // The first eight samples need x[-1] = prev_in: scalar.
  Word32 step = 0;
  Word32 last = prev_in;
  for (int n = 0; n < 8; ++n) {
    const Word32 diff = x[n] - last;
    const Word32 a = diff < 0 ? -diff : diff;
    if (a > step) step = a;
    d[n] = diff * 24465 + 32768;
    last = x[n];
  }

  const __m256i gain = _mm256_set1_epi32(24465);
  const __m256i half = _mm256_set1_epi32(32768);
  __m256i m = _mm256_setzero_si256();
  for (int n = 8; n < kHighpassLength; n += 8) {
    const __m256i cur = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(x + n)));
    const __m256i prev = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(x + n - 1)));
    const __m256i diff = _mm256_sub_epi32(cur, prev);  // within +-65535: exact, as are the products
    m = _mm256_max_epi32(m, _mm256_abs_epi32(diff));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(d + n), _mm256_add_epi32(_mm256_mullo_epi32(diff, gain), half));
  }
  __m128i h = _mm_max_epi32(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
  h = _mm_max_epi32(h, _mm_shuffle_epi32(h, 0x4E));
  h = _mm_max_epi32(h, _mm_shuffle_epi32(h, 0xB1));
  const Word32 top = _mm_cvtsi128_si32(h);
  return top > step ? top : step;
}

// The values are Word16 values: the saturating pack keeps them.
G719_AVX2 void narrow_kernel(const Word32 *w, Word16 *y) {
  for (int n = 0; n < kHighpassLength; n += 16) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(w + n));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(w + n + 8));
    // packs works per 128-bit half: (a0 b0 a1 b1) in quarters, put in order.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(y + n), packed);
  }
}

}  // namespace

void highpass_narrow_avx2(const Word32 *w, Word16 *y) { narrow_kernel(w, y); }

Word32 highpass_input_terms_avx2(const Word16 *x, Word16 prev_in, Word32 *d) {
  return input_terms_kernel(x, prev_in, d);
}

#else

#include <cstdlib>

Word32 highpass_input_terms_avx2(const Word16 *, Word16, Word32 *) { std::abort(); }
void highpass_narrow_avx2(const Word32 *, Word16 *) { std::abort(); }

#endif
