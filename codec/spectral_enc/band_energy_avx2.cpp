// Band energy with AVX2. The squares are never negative, so the saturating
// running sum of the portable loop equals the exact sum limited to MAX_32,
// and it saturates (setting Overflow) exactly when the exact sum exceeds
// MAX_32; the order of the additions does not matter. The squares (each at
// most 2^30) are summed exactly in 64-bit lanes and limited at the end.
#include "spectral_enc/band_energy.h"

#if defined(__x86_64__)

#include "transform/simd_ops_avx2.h"

namespace {

using namespace avx2_ops;

// extract_h(L_shl(c, shift)) per lane, saturating like the operator.
G719_AVX2 __m256i shifted_high8(__m256i c, Word16 shift, __m256i &ov) {
  __m256i v;
  if (shift > 0) {
    v = L_shl8_positive(c, _mm_cvtsi32_si128(shift), ov);
  } else {
    v = _mm256_sra_epi32(c, _mm_cvtsi32_si128(shift < -32 ? 32 : -shift));
  }
  return _mm256_srai_epi32(v, 16);
}

G719_AVX2_KERNEL Word32 energy_kernel(const Word32 *c, int width, Word16 shift) {
  __m256i ov = _mm256_setzero_si256();
  __m256i acc = _mm256_setzero_si256();
  int i = 0;
  for (; i + 8 <= width; i += 8) {
    const __m256i y = shifted_high8(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(c + i)), shift, ov);
    const __m256i sq = _mm256_mullo_epi32(y, y);  // y within 16 bits, square within 2^30
    acc = _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(sq)));
    acc = _mm256_add_epi64(acc, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(sq, 1)));
  }
  flush_overflow(ov);
  alignas(32) long long lanes[4];
  _mm256_store_si256(reinterpret_cast<__m256i *>(lanes), acc);
  long long total = lanes[0] + lanes[1] + lanes[2] + lanes[3];
  for (; i < width; ++i) {
    const Word16 y = extract_h(L_shl(c[i], shift));
    total += static_cast<long long>(y) * y;
  }
  if (total > MAX_32) {
    Overflow = 1;
    return MAX_32;
  }
  return static_cast<Word32>(total);
}

}  // namespace

Word32 band_energy_avx2(const Word32 *coefficients, Word16 width, Word16 shift) {
  return energy_kernel(coefficients, width, shift);
}

#else

#include <cstdlib>

Word32 band_energy_avx2(const Word32 *, Word16, Word16) { std::abort(); }

#endif
