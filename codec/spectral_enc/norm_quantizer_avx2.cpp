// A band's norm index with AVX2: the peak magnitude and the energy at the
// peak's block shift, eight coefficients per step, then the common scalar
// last step.
#include "spectral_enc/norm_quantizer.h"

#if defined(__x86_64__)

#include "transform/simd_ops_avx2.h"

namespace {

using namespace avx2_ops;

// Sum of the eight unsigned 32-bit lanes, exact in 64 bits.
G719_AVX2 static inline unsigned long long horizontal_sum_epu32(__m256i a) {
  const __m256i wide = _mm256_add_epi64(_mm256_cvtepu32_epi64(_mm256_castsi256_si128(a)),
                                        _mm256_cvtepu32_epi64(_mm256_extracti128_si256(a, 1)));
  const __m128i h = _mm_add_epi64(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
  return static_cast<unsigned long long>(_mm_cvtsi128_si64(h)) +
         static_cast<unsigned long long>(_mm_extract_epi64(h, 1));
}

// y * y per 32-bit lane for y the high half of v: with the low half cleared
// pmaddwd gives 0 * 0 + y * y.
G719_AVX2 static inline __m256i high_half_square(__m256i v) {
  const __m256i high = _mm256_and_si256(v, _mm256_set1_epi32(static_cast<int>(0xFFFF0000u)));
  return _mm256_madd_epi16(high, high);
}

// Why plain shifts and sums give the portable loop's energy: the peak p (at
// least 1; MIN_32 counts as MAX_32) has norm_l(p) in 0..30, and the shift is
// s = norm_l(p) - o with o = 1 (group 0) or 2. Every |c| <= p < 2^(31 -
// norm_l(p)), so for s > 0 |c << s| < 2^(31 - o): L_shl never saturates and
// is the plain shift (s <= 0 is an arithmetic right shift by at most 2, as
// L_shr). The high halves y then lie in [-2^(15 - o), 2^(15 - o)), so every
// y * y <= 2^28; a lane sums at most 4 of them (width <= 32), so it stays
// below 2^31, and the lanes are added in 64 bits. The portable loop's L_mac0
// chain of non-negative terms saturates, setting Overflow, exactly when the
// exact total exceeds MAX_32, and then gives MAX_32.
template <int kWidth>
G719_AVX2 static inline Word16 norm_index_of(const Word32 *c, Word16 index_limit, Word16 group) {
  constexpr int width = kWidth;  // known at compile time: the loops unroll
  __m256i m = _mm256_setzero_si256();
  for (int i = 0; i < width; i += 8) {
    // abs gives 2^31 for MIN_32: compared unsigned it exceeds every other
    // magnitude and is limited to MAX_32 below, as L_abs gives.
    m = _mm256_max_epu32(m, _mm256_abs_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(c + i))));
  }
  Word32 peak = peak_of_magnitudes(m);
  if (peak < 1) peak = 1;
  const Word16 shift = static_cast<Word16>(norm_l(peak) - norm_shift_offset_table[group]);

  __m256i acc = _mm256_setzero_si256();
  if (shift >= 0) {
    const __m128i count = _mm_cvtsi32_si128(shift);
    for (int i = 0; i < width; i += 8) {
      const __m256i v = _mm256_sll_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(c + i)), count);
      acc = _mm256_add_epi32(acc, high_half_square(v));
    }
  } else {
    const __m128i count = _mm_cvtsi32_si128(-shift);
    for (int i = 0; i < width; i += 8) {
      const __m256i v = _mm256_sra_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(c + i)), count);
      acc = _mm256_add_epi32(acc, high_half_square(v));
    }
  }
  const unsigned long long total = horizontal_sum_epu32(acc);
  Word32 energy = static_cast<Word32>(total);
  if (total > static_cast<unsigned long long>(MAX_32)) {
    Overflow = 1;
    energy = MAX_32;
  }
  return band_norm_index_from_energy_plain(energy, shift, index_limit, group);
}

// Every band of group kGroup, band b at band_start_table[b].
template <int kGroup>
G719_AVX2 static inline void group_norm_indices(const Word32 *coefficients, Word16 *norm_index) {
  constexpr int width = band_group_width[kGroup];
  const Word16 first = band_group_first_band[kGroup];
  for (int n = 0; n < band_group_band_count[kGroup]; n++) {
    const int b = first + n;
    const Word16 limit = b == 0 ? Word16{32} : Word16{40};
    norm_index[b] = norm_index_of<width>(coefficients + band_start_table[b], limit, kGroup);
  }
}

G719_AVX2 void frame_norm_indices_kernel(const Word32 *coefficients, Word16 *norm_index) {
  group_norm_indices<0>(coefficients, norm_index);
  group_norm_indices<1>(coefficients, norm_index);
  group_norm_indices<2>(coefficients, norm_index);
  group_norm_indices<3>(coefficients, norm_index);
}

}  // namespace

void compute_norm_indices_avx2(const Word32 *coefficients, Word16 *norm_index) {
  frame_norm_indices_kernel(coefficients, norm_index);
}

#else

#include <cstdlib>

void compute_norm_indices_avx2(const Word32 *, Word16 *) { std::abort(); }

#endif
