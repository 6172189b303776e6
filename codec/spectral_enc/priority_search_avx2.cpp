// The window maximum with AVX2: the 48 entries in three registers, positions
// outside the window replaced by MIN_16, the maximum by reduction, and its
// positions from the equality masks packed to one bit per entry and limited
// to the window (outside positions may equal a MIN_16 maximum).
#include "spectral_enc/priority_search.h"

#if defined(__x86_64__)

#include "frame/avx2_target.h"

namespace {

G719_AVX2 WindowMax search_kernel(const Word16 *work, int first, int last) {
  const __m256i below = _mm256_set1_epi16(static_cast<short>(first));
  const __m256i above = _mm256_set1_epi16(static_cast<short>(last));
  const __m256i floor = _mm256_set1_epi16(MIN_16);
  const __m256i p0 = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m256i p1 = _mm256_add_epi16(p0, _mm256_set1_epi16(16));
  const __m256i p2 = _mm256_add_epi16(p0, _mm256_set1_epi16(32));
  const __m256i x0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(work));
  const __m256i x1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(work + 16));
  const __m256i x2 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(work + 32));
  const __m256i v0 = _mm256_blendv_epi8(
      x0, floor, _mm256_or_si256(_mm256_cmpgt_epi16(p0, above), _mm256_cmpgt_epi16(below, p0)));
  const __m256i v1 = _mm256_blendv_epi8(
      x1, floor, _mm256_or_si256(_mm256_cmpgt_epi16(p1, above), _mm256_cmpgt_epi16(below, p1)));
  const __m256i v2 = _mm256_blendv_epi8(
      x2, floor, _mm256_or_si256(_mm256_cmpgt_epi16(p2, above), _mm256_cmpgt_epi16(below, p2)));
  __m256i m = _mm256_max_epi16(_mm256_max_epi16(v0, v1), v2);
  m = _mm256_max_epi16(m, _mm256_permute2x128_si256(m, m, 0x01));
  m = _mm256_max_epi16(m, _mm256_shuffle_epi32(m, 0x4E));
  m = _mm256_max_epi16(m, _mm256_shuffle_epi32(m, 0xB1));
  m = _mm256_max_epi16(m, _mm256_shufflelo_epi16(_mm256_shufflehi_epi16(m, 0xB1), 0xB1));
  const __m256i e0 = _mm256_cmpeq_epi16(v0, m);
  const __m256i e1 = _mm256_cmpeq_epi16(v1, m);
  const __m256i e2 = _mm256_cmpeq_epi16(v2, m);
  // packs interleaves the 128-bit halves (e0 lo, e1 lo, e0 hi, e1 hi);
  // the permutation restores the order of positions 0..31.
  const __m256i e01 = _mm256_permute4x64_epi64(_mm256_packs_epi16(e0, e1), 0xD8);
  const auto low = static_cast<std::uint32_t>(_mm256_movemask_epi8(e01));
  const auto high = static_cast<std::uint32_t>(
      _mm_movemask_epi8(_mm_packs_epi16(_mm256_castsi256_si128(e2), _mm256_extracti128_si256(e2, 1))));
  const std::uint64_t window = ((std::uint64_t{2} << last) - 1) & ~((std::uint64_t{1} << first) - 1);
  const std::uint64_t positions = (low | (std::uint64_t{high} << 32)) & window;
  return {static_cast<Word16>(_mm256_extract_epi16(m, 0)), positions};
}

}  // namespace

WindowMax window_max_avx2(const Word16 *work, int first, int last) { return search_kernel(work, first, last); }

#else

#include <cstdlib>

WindowMax window_max_avx2(const Word16 *, int, int) { std::abort(); }

#endif
