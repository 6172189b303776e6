// Scaling by the band norms with AVX2, eight coefficients per step (every
// band width is a multiple of eight). L_mult(x, 16384) is x * 32768 exactly
// for every Word16 x (only -32768 * -32768 saturates L_mult), and
// L_mult0(x, 23170) never saturates, so only the final L_shl can clamp.
#include "spectral_dec/norm_scaling.h"

#if defined(__x86_64__)

#include "spectral_enc/band_tables.h"
#include "transform/simd_ops_avx2.h"

namespace {

using namespace avx2_ops;

G719_AVX2 Word32 scale_kernel(const Word16 *normalized, Word32 *coefficients, const Word16 *norm_indices) {
  __m256i ov = _mm256_setzero_si256();
  // The peak of the magnitudes (peak_of_magnitudes).
  __m256i m = _mm256_setzero_si256();
  for (int b = 0; b < kNumBands; b++) {
    const Word16 i = norm_indices[b];
    const Word16 s = sub(2, shr(i, 1));
    const __m256i factor = _mm256_set1_epi32((i & 1) != 0 ? kSqrtHalfQ15 : 32768);
    const __m128i left = _mm_cvtsi32_si128(s);
    const __m128i right = _mm_cvtsi32_si128(s < -32 ? 32 : -s);
    for (int k = band_start_table[b]; k < band_end_table[b]; k += 8) {
      const __m256i x = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(normalized + k)));
      const __m256i v = _mm256_mullo_epi32(x, factor);
      const __m256i r = s > 0 ? L_shl8_positive(v, left, ov) : _mm256_sra_epi32(v, right);
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(coefficients + k), r);
      m = _mm256_max_epu32(m, _mm256_abs_epi32(r));
    }
  }
  flush_overflow(ov);
  return peak_of_magnitudes(m);
}

}  // namespace

Word32 scale_by_norms_avx2(const Word16 *normalized, Word32 *coefficients, const Word16 *norm_indices) {
  return scale_kernel(normalized, coefficients, norm_indices);
}

#else

#include <cstdlib>

Word32 scale_by_norms_avx2(const Word16 *, Word32 *, const Word16 *) { std::abort(); }

#endif
