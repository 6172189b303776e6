// The windowed overlap-add with AVX2, eight samples per step: L_mls by the
// window, L_add of the history, L_shl by 7 and round_fx, each per lane.
#include "transform/overlap_add_avx2.h"

#if defined(__x86_64__)

#include "transform/simd_ops_avx2.h"
#include "transform/window_tables.h"

namespace {

using namespace avx2_ops;

G719_AVX2 __m256i load_window8(const Word16 *w) {
  return _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w)));
}

G719_AVX2 __m256i loadu8(const Word32 *v) { return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(v)); }

G719_AVX2_KERNEL void overlap_add_kernel(const Word32 *aliased, Word16 *samples, Word32 *history, const Word16 *W) {
  __m256i ov = _mm256_setzero_si256();
  const __m128i seven = _mm_cvtsi32_si128(7);
  const __m256i half = _mm256_set1_epi32(32768);
  for (int i = 0; i < 960; i += 8) {
    const __m256i w = L_mls8(loadu8(aliased + i), load_window8(W + i), ov);
    const __m256i s = L_shl8_positive(L_add8(w, loadu8(history + i), ov), seven, ov);
    // round_fx: the upper halves of L_add(s, 0x8000), all within 16 bits,
    // so the saturating pack only narrows; the permute undoes its lane order.
    const __m256i r = _mm256_srai_epi32(L_add8(s, half, ov), 16);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(r, r), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(samples + i), _mm256_castsi256_si128(packed));
  }
  for (int i = 0; i < 960; i += 8) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(history + i),
                        L_mls8(loadu8(aliased + 960 + i), load_window8(W + 960 + i), ov));
  }
  flush_overflow(ov);
}

}  // namespace

void g719_overlap_add_avx2(const Word32 *aliased, Word16 *samples, Word32 *history) {
  overlap_add_kernel(aliased, samples, history, long_synthesis_window.data());
}

#else

#include <cstdlib>

void g719_overlap_add_avx2(const Word32 *, Word16 *, Word32 *) { std::abort(); }

#endif
