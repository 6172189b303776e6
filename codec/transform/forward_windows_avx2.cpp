// The forward transform's input stages with AVX2, eight positions per step.
//
// The folded values are first shifted left by the block scaling's shift: a
// plain shift, exact because the shift keeps every value unsaturated (see
// forward_windows.h).
//
// Short blocks: with f[k] = round_fx(folded[k]) (t of the portable loop read
// backwards, t[j] = f[959 - j]) every windowed value is a sum of two
// products, factor times f at a rising position plus factor times f at a
// falling one, which _mm256_madd_epi16 forms from interleaved (rising,
// falling) samples and (factor, factor) pairs. No step saturates: the centre
// factors lie in -32768..-23170 and the edge factors in 0..23088 (negated
// for the differences, never -32768), so a sum is at most 2^30 + 23088 *
// 32768 < 1.83e9 in magnitude; L_mult0, L_mac0 and L_msu0 are then plain
// products and sums, and so is the pair product (which could only wrap for
// two -32768 * -32768 products). L_shr_r(x, n) of such a value is (x >> n)
// + bit n-1 of x.
#include "transform/forward_windows.h"

#if defined(__x86_64__)

#include "frame/frame_geometry.h"
#include "transform/simd_ops_avx2.h"
#include "transform/window_tables.h"

namespace {

using namespace avx2_ops;

// Factor pairs per position i of a 120-position half: (C[119 - i], -E[i])
// for the first half of a block and (C[i], E[119 - i]) for the second, each
// against (f at the rising position, f at the falling one).
struct ShortFactors {
  FactorPairs<120> first;
  FactorPairs<120> second;
};

const ShortFactors &factors() {
  static const ShortFactors s = {
      make_factor_pairs<120>([](int i) { return short_window_center[119 - i]; },
                             [](int i) { return static_cast<Word16>(-short_window_edge[i]); }),
      make_factor_pairs<120>([](int i) { return short_window_center[i]; },
                             [](int i) { return short_window_edge[119 - i]; })};
  return s;
}

G719_AVX2 static inline __m256i rounding_shift(__m256i x, int n) {
  return _mm256_add_epi32(_mm256_srai_epi32(x, n), _mm256_and_si256(_mm256_srai_epi32(x, n - 1), _mm256_set1_epi32(1)));
}

// out[i] = L_shr_r(p[i] * f[rise + i] + q[i] * f[fall - i], 7) for i in
// 0..119, with (p[i], q[i]) the factor pairs.
G719_AVX2 static inline void windowed_half(const Word16 *f, int rise, int fall, const Word16 *pairs, Word32 *out) {
  const __m128i reverse = _mm_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
  for (int i = 0; i < 120; i += 8) {
    const __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i *>(f + rise + i));
    const __m128i down =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(f + fall - i - 7)), reverse);
    const __m256i samples = _mm256_set_m128i(_mm_unpackhi_epi16(up, down), _mm_unpacklo_epi16(up, down));
    const __m256i sum =
        _mm256_madd_epi16(samples, _mm256_load_si256(reinterpret_cast<const __m256i *>(pairs + 2 * i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), rounding_shift(sum, 7));
  }
}

// out[i] = L_shr_r(L_mult0(-32768, f[from + i]), 7) = -256 f[from + i]
// (the product is a multiple of 2^15).
G719_AVX2 static inline void negated_half(const Word16 *f, int from, Word32 *out) {
  for (int i = 0; i < 120; i += 8) {
    const __m256i v = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(f + from + i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i),
                        _mm256_sub_epi32(_mm256_setzero_si256(), _mm256_slli_epi32(v, 8)));
  }
}

G719_AVX2 void short_blocks_kernel(const Word32 *folded, Word32 *blocks, Word16 shift,
                                          const ShortFactors &s) {
  // round_fx(x) = extract_h(L_add(x, 0x8000)): L_add saturates, setting
  // Overflow, exactly for x above 0x7FFF7FFF, and then gives 0x7FFF, as
  // min(x, 0x7FFF7FFF) does; the rounded values fit 16 bits, so packs keeps
  // them.
  alignas(32) Word16 f[kFrameSamples];
  const __m128i count = _mm_cvtsi32_si128(shift);
  const __m256i top = _mm256_set1_epi32(0x7FFF7FFF);
  const __m256i half = _mm256_set1_epi32(0x8000);
  __m256i above = _mm256_setzero_si256();
  for (int k = 0; k < kFrameSamples; k += 16) {
    const __m256i a = _mm256_sll_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(folded + k)), count);
    const __m256i b = _mm256_sll_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(folded + k + 8)), count);
    above = _mm256_or_si256(above, _mm256_or_si256(_mm256_cmpgt_epi32(a, top), _mm256_cmpgt_epi32(b, top)));
    const __m256i ra = _mm256_srai_epi32(_mm256_add_epi32(_mm256_min_epi32(a, top), half), 16);
    const __m256i rb = _mm256_srai_epi32(_mm256_add_epi32(_mm256_min_epi32(b, top), half), 16);
    _mm256_store_si256(reinterpret_cast<__m256i *>(f + k),
                       _mm256_permute4x64_epi64(_mm256_packs_epi32(ra, rb), 0xD8));
  }
  if (!_mm256_testz_si256(above, above)) Overflow = 1;

  // Block 0: t[239 - i] = f[720 + i], t[240 + i] = f[719 - i], t[119 - i] = f[840 + i].
  windowed_half(f, 720, 719, s.first.v, blocks);
  negated_half(f, 840, blocks + 120);
  // Blocks 1 and 2, o = 240 (b - 1): t[o + 479 - i] = f[480 - o + i], t[o + 480 + i] =
  // f[479 - o - i], t[o + 359 - i] = f[600 - o + i], t[o + 120 + i] = f[839 - o - i].
  for (int o = 0; o <= 240; o += 240) {
    Word32 *buf = blocks + 240 + o;
    windowed_half(f, 480 - o, 479 - o, s.first.v, buf);
    windowed_half(f, 600 - o, 839 - o, s.second.v, buf + 120);
  }
  // Block 3: t[959 - i] = f[i], t[839 - i] = f[120 + i], t[600 + i] = f[359 - i].
  negated_half(f, 0, blocks + 720);
  windowed_half(f, 120, 359, s.second.v, blocks + 840);
}

G719_AVX2 void long_input_kernel(const Word32 *folded, Word32 *buf, Word16 shift) {
  const __m128i count = _mm_cvtsi32_si128(shift);
  for (int i = 0; i < kFrameSamples; i += 8) {
    const __m256i x = _mm256_sll_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(folded + i)), count);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(buf + i), rounding_shift(x, 9));
  }
}

}  // namespace

void short_window_blocks_avx2(const Word32 *folded, Word32 *blocks, Word16 shift) {
  short_blocks_kernel(folded, blocks, shift, factors());
}

void long_transform_input_avx2(const Word32 *folded, Word32 *buf, Word16 shift) {
  long_input_kernel(folded, buf, shift);
}

#else

#include <cstdlib>

void short_window_blocks_avx2(const Word32 *, Word32 *, Word16) { std::abort(); }
void long_transform_input_avx2(const Word32 *, Word32 *, Word16) { std::abort(); }

#endif
