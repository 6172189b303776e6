// The allocation's priority search with AVX2: the 48 entries in three
// registers, positions beyond the window replaced by MIN_16, the maximum
// by reduction and its first position from the equality masks.
#include "spectral_enc/priority_search.h"

#if defined(__x86_64__)

#include <immintrin.h>

namespace {

__attribute__((target("avx2"))) Word16 search_kernel(const Word16 *work, Word16 top) {
  const __m256i limit = _mm256_set1_epi16(top);
  const __m256i floor = _mm256_set1_epi16(MIN_16);
  const __m256i lanes = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  __m256i v[3];
  for (int r = 0; r < 3; ++r) {
    const __m256i position = _mm256_add_epi16(lanes, _mm256_set1_epi16(static_cast<short>(16 * r)));
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(work + 16 * r));
    v[r] = _mm256_blendv_epi8(x, floor, _mm256_cmpgt_epi16(position, limit));
  }
  __m256i m = _mm256_max_epi16(_mm256_max_epi16(v[0], v[1]), v[2]);
  m = _mm256_max_epi16(m, _mm256_permute2x128_si256(m, m, 0x01));
  m = _mm256_max_epi16(m, _mm256_shuffle_epi32(m, 0x4E));
  m = _mm256_max_epi16(m, _mm256_shuffle_epi32(m, 0xB1));
  m = _mm256_max_epi16(m, _mm256_shufflelo_epi16(_mm256_shufflehi_epi16(m, 0xB1), 0xB1));
  for (int r = 0; r < 3; ++r) {
    const unsigned hits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(v[r], m)));
    if (hits != 0) return static_cast<Word16>(16 * r + __builtin_ctz(hits) / 2);
  }
  return 0;  // not reached: the maximum is one of the entries
}

}  // namespace

Word16 first_max_position_avx2(const Word16 *work, Word16 top) { return search_kernel(work, top); }

#else

#include <cstdlib>

Word16 first_max_position_avx2(const Word16 *, Word16) { std::abort(); }

#endif
