// The noise-level measurement with AVX2, eight coefficients per step.
//
// A coefficient v != 0 adds its bit length 15 - norm_s(v), that of u = v ^
// (v >> 15) (v itself when positive, -v - 1 when negative; 0 for -1), and
// v == 0 adds -1. u lies in 0..32767, so it converts to float exactly and
// for u >= 1 the float's biased exponent less 126 is its bit length; for u =
// 0 the exponent field is 0, which max(., 0) turns into 0. The sums need no
// saturation: at most 800 coefficients add -1..15 each, so the bit-length
// sum stays within +-12000 and the count within 800, where add and sub of
// the portable loop are plain and set no flag.
#include "spectral_enc/noise_level_index.h"

#if defined(__x86_64__)

#include "spectral_enc/band_tables.h"
#include "transform/simd_ops_avx2.h"

namespace {

G719_AVX2 static inline __m256i bit_lengths(__m128i v16) {
  const __m256i v = _mm256_cvtepi16_epi32(v16);
  const __m256i u = _mm256_xor_si256(v, _mm256_srai_epi32(v, 31));
  const __m256i exponent = _mm256_srli_epi32(_mm256_castps_si256(_mm256_cvtepi32_ps(u)), 23);
  const __m256i length = _mm256_max_epi32(_mm256_sub_epi32(exponent, _mm256_set1_epi32(126)), _mm256_setzero_si256());
  // cmpeq gives -1 where v == 0.
  return _mm256_add_epi32(length, _mm256_cmpeq_epi32(v, _mm256_setzero_si256()));
}

G719_AVX2 Word16 noise_level_kernel(const Word16 *spectrum, const Word16 *allocation) {
  const Word16 last = noise_level_last_band(allocation);
  __m256i acc = _mm256_setzero_si256();
  int count = 0;
  for (int b = 0; b < last; ++b) {
    if (allocation[b] != 0) continue;
    for (int i = band_start_table[b]; i < band_end_table[b]; i += 8) {
      acc = _mm256_add_epi32(acc, bit_lengths(_mm_loadu_si128(reinterpret_cast<const __m128i *>(spectrum + i))));
    }
    count += band_width_table[b];
  }
  __m128i h = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
  h = _mm_add_epi32(h, _mm_shuffle_epi32(h, 0x4E));
  h = _mm_add_epi32(h, _mm_shuffle_epi32(h, 0xB1));
  return noise_level_index_from_sums(static_cast<Word16>(_mm_cvtsi128_si32(h)), static_cast<Word16>(count));
}

}  // namespace

Word16 g719_noise_level_index_avx2(const Word16 *normalized_spectrum, const Word16 *allocation) {
  return noise_level_kernel(normalized_spectrum, allocation);
}

#else

#include <cstdlib>

Word16 g719_noise_level_index_avx2(const Word16 *, const Word16 *) { std::abort(); }

#endif
