// Band normalization with AVX2, eight coefficients per step: L_mls by
// sqrt(1/2) for odd norm indices (written back), then L_shr by the band's
// shift and the low 16 bits of the result.
#include "spectral_enc/band_normalization.h"

#if defined(__x86_64__)

#include "transform/simd_ops_avx2.h"

namespace {

using namespace avx2_ops;

constexpr Word16 kSqrtHalfQ15 = 23170;

G719_AVX2_KERNEL void normalize_kernel(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                       Word16 end_band, Word16 width, Word16 *out) {
  __m256i ov = _mm256_setzero_si256();
  const __m256i sqrt_half = _mm256_set1_epi32(kSqrtHalfQ15);
  Word32 *x = coefficients;
  Word16 *y = out;
  for (Word16 b = first_band; b < end_band; b++, x += width, y += width) {
    const Word16 odd = static_cast<Word16>(norm_index[b] & 1);
    const Word16 s = sub(sub(17, odd), shr(norm_index[b], 1));
    // L_shr(v, s): arithmetic right shift for s >= 0 (counts from 31 on give
    // 0 or -1), L_shl by min(-s, 32) for s < 0.
    const __m128i right = _mm_cvtsi32_si128(s);
    const __m128i left = _mm_cvtsi32_si128(s < -32 ? 32 : -s);
    for (int i = 0; i < width; i += 8) {
      __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + i));
      if (odd != 0) {
        v = L_mls8(v, sqrt_half, ov);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(x + i), v);
      }
      const __m256i r = s >= 0 ? _mm256_sra_epi32(v, right) : L_shl8_positive(v, left, ov);
      // extract_l: the low halves, sign-extended so that the pack only narrows.
      const __m256i low = _mm256_srai_epi32(_mm256_slli_epi32(r, 16), 16);
      const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(low, low), 0x08);
      _mm_storeu_si128(reinterpret_cast<__m128i *>(y + i), _mm256_castsi256_si128(packed));
    }
  }
  flush_overflow(ov);
}

}  // namespace

void normalize_band_coefficients_avx2(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                      Word16 end_band, Word16 width, Word16 *out) {
  normalize_kernel(coefficients, norm_index, first_band, end_band, width, out);
}

#else

#include <cstdlib>

void normalize_band_coefficients_avx2(Word32 *, const Word16 *, Word16, Word16, Word16, Word16 *) { std::abort(); }

#endif
