// Sub-block energy with AVX2, sixteen samples per step.
//
// The exact sum of subblock_energy adds p = 2 y^2 per sample, except
// MAX_32 = 2 y^2 - 1 for y = -32768, so it equals 2 * sum(y^2) minus the
// number of -32768 samples. pmaddwd gives y0^2 + y1^2 per 32-bit lane, at
// most 2^31 (both -32768), exact when read unsigned; the lanes are widened
// to 64 bits before they are accumulated. The -32768 samples are counted
// per 16-bit lane (at most n / 16 each, below 2^15 for n < 2^19).
#include "transform/subblock_energy.h"

#if defined(__x86_64__)

#include <cstdint>

#include "transform/simd_ops_avx2.h"

namespace {

G719_AVX2 SubblockEnergy energy_kernel(const Word16 *y, int n) {
  const __m256i low32 = _mm256_set1_epi64x(0xFFFFFFFF);
  const __m256i min16 = _mm256_set1_epi16(MIN_16);
  __m256i squares = _mm256_setzero_si256();  // four 64-bit sums
  __m256i minima = _mm256_setzero_si256();   // sixteen 16-bit counts, negated
  int i = 0;
  for (; i + 16 <= n && i < (1 << 19); i += 16) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(y + i));
    const __m256i pairs = _mm256_madd_epi16(v, v);
    squares = _mm256_add_epi64(squares, _mm256_and_si256(pairs, low32));
    squares = _mm256_add_epi64(squares, _mm256_srli_epi64(pairs, 32));
    minima = _mm256_add_epi16(minima, _mm256_cmpeq_epi16(v, min16));  // adds -1 per -32768
  }
  // Counts to 32 bits (negated, so sign-extend), then to one total.
  const __m256i counts = _mm256_madd_epi16(minima, _mm256_set1_epi16(1));
  __m128i c = _mm_add_epi32(_mm256_castsi256_si128(counts), _mm256_extracti128_si256(counts, 1));
  c = _mm_add_epi32(c, _mm_shuffle_epi32(c, 0x4E));
  c = _mm_add_epi32(c, _mm_shuffle_epi32(c, 0xB1));
  const __m128i s = _mm_add_epi64(_mm256_castsi256_si128(squares), _mm256_extracti128_si256(squares, 1));
  std::int64_t sum = 2 * (_mm_cvtsi128_si64(s) + _mm_extract_epi64(s, 1)) + _mm_cvtsi128_si32(c);
  for (; i < n; ++i) sum += y[i] == MIN_16 ? MAX_32 : 2 * y[i] * y[i];
  Overflow = 0;
  Carry = 0;
  return {static_cast<Word32>(sum >> 31), static_cast<Word32>(sum & MAX_32)};
}

}  // namespace

SubblockEnergy subblock_energy_avx2(const Word16 *y, int n) { return energy_kernel(y, n); }

#else

#include <cstdlib>

SubblockEnergy subblock_energy_avx2(const Word16 *, int) { std::abort(); }

#endif
