// The analysis windowing and fold with AVX2, eight positions per step. Each
// folded value is a sum of two window-by-sample products, which
// _mm256_madd_epi16 forms directly from interleaved (sample, sample) and
// (factor, factor) pairs. The sum never saturates: the edge factors lie in
// 0..23170 and the centre factors in -32768..-23170, so a sum is at most
// 23170 * 32768 + 32768 * 32768 < 1.83e9 in magnitude; L_mult0, L_mac0 and
// L_msu0 are then plain products and sums, and so is the pair product.
#include "transform/window_fold.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include "transform/window_tables.h"

namespace {

// Factor pairs per position i: (edge, centre) for the saved history and
// (centre, -edge) for the folded half.
struct FoldFactors {
  alignas(32) Word16 history[960];
  alignas(32) Word16 folded[960];
};

FoldFactors build_factors() {
  FoldFactors f{};
  for (int i = 0; i < 480; ++i) {
    f.history[2 * i] = long_window_edge[i];
    f.history[2 * i + 1] = long_window_center[i];
    f.folded[2 * i] = long_window_center[i];
    f.folded[2 * i + 1] = static_cast<Word16>(-long_window_edge[i]);
  }
  return f;
}

const FoldFactors &factors() {
  static const FoldFactors f = build_factors();
  return f;
}

// With kPeak, also the largest magnitude of the 960 folded values as
// block_peak_magnitude gives it: abs maps MIN_32 to 2^31, which compared
// unsigned exceeds every other magnitude and is limited to MAX_32 at the
// end, as L_abs gives.
template <bool kPeak>
__attribute__((target("avx2"), always_inline)) inline Word32 fold_kernel(const Word16 *x, Word32 *folded,
                                                                          Word32 *history, const FoldFactors &f) {
  __m256i m = _mm256_setzero_si256();
  for (int k = 0; k < 480; k += 8) {
    const __m256i saved = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(history + k));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(folded + 480 + k), saved);
    if (kPeak) m = _mm256_max_epu32(m, _mm256_abs_epi32(saved));
  }
  const __m128i reverse_words = _mm_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
  const __m256i reverse_lanes = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  for (int i = 0; i < 480; i += 8) {
    // a[j] = x[479 - i - j], b[j] = x[480 + i + j], j = 0..7.
    const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(x + 472 - i)), reverse_words);
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x + 480 + i));
    const __m256i pairs = _mm256_set_m128i(_mm_unpackhi_epi16(a, b), _mm_unpacklo_epi16(a, b));
    const __m256i h = _mm256_madd_epi16(pairs, _mm256_load_si256(reinterpret_cast<const __m256i *>(f.history + 2 * i)));
    const __m256i y = _mm256_madd_epi16(pairs, _mm256_load_si256(reinterpret_cast<const __m256i *>(f.folded + 2 * i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(folded + i), y);
    if (kPeak) m = _mm256_max_epu32(m, _mm256_abs_epi32(y));
    // history[479 - i - j] for j = 0..7: the eight sums in reverse order.
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(history + 472 - i), _mm256_permutevar8x32_epi32(h, reverse_lanes));
  }
  if (!kPeak) return 0;
  __m128i top = _mm_max_epu32(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
  top = _mm_max_epu32(top, _mm_shuffle_epi32(top, 0x4E));
  top = _mm_max_epu32(top, _mm_shuffle_epi32(top, 0xB1));
  const UWord32 peak = static_cast<UWord32>(_mm_cvtsi128_si32(top));
  return peak > static_cast<UWord32>(MAX_32) ? MAX_32 : static_cast<Word32>(peak);
}

__attribute__((target("avx2"))) void fold_only(const Word16 *x, Word32 *folded, Word32 *history,
                                               const FoldFactors &f) {
  fold_kernel<false>(x, folded, history, f);
}

__attribute__((target("avx2"))) Word32 fold_and_peak(const Word16 *x, Word32 *folded, Word32 *history,
                                                     const FoldFactors &f) {
  return fold_kernel<true>(x, folded, history, f);
}

}  // namespace

void g719_window_fold_avx2(const Word16 *input, Word32 *folded, Word32 *history) {
  fold_only(input, folded, history, factors());
}

Word32 g719_window_fold_peak_avx2(const Word16 *input, Word32 *folded, Word32 *history) {
  return fold_and_peak(input, folded, history, factors());
}

#else

#include <cstdlib>

void g719_window_fold_avx2(const Word16 *, Word32 *, Word32 *) { std::abort(); }
Word32 g719_window_fold_peak_avx2(const Word16 *, Word32 *, Word32 *) { std::abort(); }

#endif
