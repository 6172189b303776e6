// The analysis windowing and fold with AVX2, eight positions per step. Each
// folded value is a sum of two window-by-sample products, which
// _mm256_madd_epi16 forms directly from interleaved (sample, sample) and
// (factor, factor) pairs. The sum never saturates: the edge factors lie in
// 0..23170 and the centre factors in -32768..-23170, so a sum is at most
// 23170 * 32768 + 32768 * 32768 < 1.83e9 in magnitude; L_mult0, L_mac0 and
// L_msu0 are then plain products and sums, and so is the pair product.
#include "transform/window_fold.h"

#if defined(__x86_64__)

#include "frame/frame_geometry.h"
#include "transform/simd_ops_avx2.h"
#include "transform/window_tables.h"

namespace {

using namespace avx2_ops;

// Factor pairs per position i: (edge, centre) for the saved history and
// (centre, -edge) for the folded half.
struct FoldFactors {
  FactorPairs<kHalfFrame> history;
  FactorPairs<kHalfFrame> folded;
};

const FoldFactors &factors() {
  static const FoldFactors f = {
      make_factor_pairs<kHalfFrame>([](int i) { return long_window_edge[i]; },
                                    [](int i) { return long_window_center[i]; }),
      make_factor_pairs<kHalfFrame>([](int i) { return long_window_center[i]; },
                                    [](int i) { return static_cast<Word16>(-long_window_edge[i]); })};
  return f;
}

// The fold, and the largest magnitude of the 960 folded values as
// block_peak_magnitude gives it: abs maps MIN_32 to 2^31, which compared
// unsigned exceeds every other magnitude and is limited to MAX_32 at the
// end, as L_abs gives.
G719_AVX2 Word32 fold_kernel(const Word16 *x, Word32 *folded, Word32 *history, const FoldFactors &f) {
  __m256i m = _mm256_setzero_si256();
  for (int k = 0; k < kHalfFrame; k += 8) {
    const __m256i saved = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(history + k));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(folded + kHalfFrame + k), saved);
    m = _mm256_max_epu32(m, _mm256_abs_epi32(saved));
  }
  const __m128i reverse_words = _mm_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
  const __m256i reverse_lanes = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  for (int i = 0; i < kHalfFrame; i += 8) {
    // a[j] = x[479 - i - j], b[j] = x[480 + i + j], j = 0..7.
    const __m128i a =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(x + kHalfFrame - 8 - i)), reverse_words);
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(x + kHalfFrame + i));
    const __m256i pairs = _mm256_set_m128i(_mm_unpackhi_epi16(a, b), _mm_unpacklo_epi16(a, b));
    const __m256i h =
        _mm256_madd_epi16(pairs, _mm256_load_si256(reinterpret_cast<const __m256i *>(f.history.v + 2 * i)));
    const __m256i y =
        _mm256_madd_epi16(pairs, _mm256_load_si256(reinterpret_cast<const __m256i *>(f.folded.v + 2 * i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(folded + i), y);
    m = _mm256_max_epu32(m, _mm256_abs_epi32(y));
    // history[479 - i - j] for j = 0..7: the eight sums in reverse order.
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(history + kHalfFrame - 8 - i),
                        _mm256_permutevar8x32_epi32(h, reverse_lanes));
  }
  return peak_of_magnitudes(m);
}

}  // namespace

Word32 g719_window_fold_avx2(const Word16 *input, Word32 *folded, Word32 *history) {
  return fold_kernel(input, folded, history, factors());
}

#else

#include <cstdlib>

Word32 g719_window_fold_avx2(const Word16 *, Word32 *, Word32 *) { std::abort(); }

#endif
