// The windowed overlap-add with AVX2, eight samples per step: L_mls by the
// window, L_add of the history, L_shl by 7 and round_fx, each per lane, the
// last two as one shift and a saturating pack.
#include "transform/inverse_transform.h"

#if defined(__x86_64__)

#include "frame/frame_geometry.h"
#include "transform/simd_ops_avx2.h"
#include "transform/window_tables.h"

namespace {

using namespace avx2_ops;

G719_AVX2 static inline __m256i load_window8(const Word16 *w) {
  return _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w)));
}

G719_AVX2 static inline __m256i loadu8(const Word32 *v) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(v));
}

// A sample is round_fx(L_shl(s, 7)) of s = L_add(w, history). For s within
// [-2^24, 2^24 - 257] neither the shift nor the rounding's L_add saturates
// and the sample is floor((128 s + 2^15) / 2^16) = ((s >> 1) + 128) >> 8.
// Above that range the operators give 32767 and below it -32768 (setting
// Overflow), which is that same expression clamped to 16 bits: the
// saturating pack. The window factors lie in 0..32767, so L_mls by them
// never saturates and plain lane arithmetic gives it.
// L_shr(x, shift) per lane: an arithmetic shift for shift >= 0 (counts from
// 31 on give 0 or -1), L_shl by min(-shift, 32) for shift < 0 (kLeft).
template <bool kLeft>
G719_AVX2 static inline __m256i shifted(const Word32 *p, __m128i count, __m256i &ov) {
  const __m256i v = loadu8(p);
  if constexpr (kLeft) {
    return L_shl8_positive(v, count, ov);
  } else {
    return _mm256_sra_epi32(v, count);
  }
}

// One step of eight samples from the windowed aliased values w and the
// history h, given their sum s (saturated or not, see below).
G719_AVX2 static inline void store_samples(__m256i s, Word16 *samples, __m256i &ov) {
  const __m256i top = _mm256_set1_epi32((1 << 24) - 257);
  const __m256i bottom = _mm256_set1_epi32(-(1 << 24));
  ov = _mm256_or_si256(ov, _mm256_or_si256(_mm256_cmpgt_epi32(s, top), _mm256_cmpgt_epi32(bottom, s)));
  const __m256i r = _mm256_srai_epi32(_mm256_add_epi32(_mm256_srai_epi32(s, 1), _mm256_set1_epi32(128)), 8);
  // The pack clamps to 16 bits; the permute undoes its lane order.
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(r, r), 0x08);
  _mm_storeu_si128(reinterpret_cast<__m128i *>(samples), _mm256_castsi256_si128(packed));
}

template <bool kLeft>
G719_AVX2 static inline __m256i windowed(const Word32 *aliased, const Word16 *W, __m128i count, __m256i &ov) {
  return PlainLanes::mls(shifted<kLeft>(aliased, count, ov), load_window8(W), ov);
}

// The samples with the plain sum w + h, sixteen per step, and whether any
// lane's sum wrapped (w and h of one sign, the sum of the other). Where none
// wrapped the plain sum is L_add's, which saturates only where it wraps; a
// wrapped lane's sample is wrong and the caller redoes the samples with
// L_add. The flags recorded for the other lanes are theirs either way, and a
// wrapped lane's saturated sum lies outside the range that sets Overflow, so
// the redo adds no flag the first pass should not have set.
template <bool kLeft>
G719_AVX2 static inline bool samples_plain(const Word32 *aliased, __m128i count, Word16 *samples, const Word32 *history,
                             const Word16 *W, __m256i &ov) {
  __m256i wrapped = _mm256_setzero_si256();
  for (int i = 0; i < kFrameSamples; i += 16) {
    const __m256i w0 = windowed<kLeft>(aliased + i, W + i, count, ov);
    const __m256i w1 = windowed<kLeft>(aliased + i + 8, W + i + 8, count, ov);
    const __m256i h0 = loadu8(history + i);
    const __m256i h1 = loadu8(history + i + 8);
    const __m256i s0 = _mm256_add_epi32(w0, h0);
    const __m256i s1 = _mm256_add_epi32(w1, h1);
    wrapped = _mm256_or_si256(wrapped, _mm256_and_si256(_mm256_xor_si256(w0, s0), _mm256_xor_si256(h0, s0)));
    wrapped = _mm256_or_si256(wrapped, _mm256_and_si256(_mm256_xor_si256(w1, s1), _mm256_xor_si256(h1, s1)));
    store_samples(s0, samples + i, ov);
    store_samples(s1, samples + i + 8, ov);
  }
  return _mm256_movemask_ps(_mm256_castsi256_ps(wrapped)) != 0;
}

// The same samples with L_add, for every input.
template <bool kLeft>
G719_AVX2 static inline void samples_saturating(const Word32 *aliased, __m128i count, Word16 *samples,
                                                const Word32 *history, const Word16 *W, __m256i &ov) {
  for (int i = 0; i < kFrameSamples; i += 8) {
    const __m256i s = L_add8(windowed<kLeft>(aliased + i, W + i, count, ov), loadu8(history + i), ov);
    store_samples(s, samples + i, ov);
  }
}

template <bool kLeft>
G719_AVX2 void overlap_add_kernel(const Word32 *aliased, __m128i count, Word16 *samples, Word32 *history,
                                         const Word16 *W) {
  __m256i ov = _mm256_setzero_si256();
  // The first half only reads the history, so it can be redone.
  if (samples_plain<kLeft>(aliased, count, samples, history, W, ov)) {
    samples_saturating<kLeft>(aliased, count, samples, history, W, ov);
  }
  for (int i = 0; i < kFrameSamples; i += 16) {
    const __m256i h0 = windowed<kLeft>(aliased + kFrameSamples + i, W + kFrameSamples + i, count, ov);
    const __m256i h1 = windowed<kLeft>(aliased + 968 + i, W + 968 + i, count, ov);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(history + i), h0);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(history + i + 8), h1);
  }
  flush_overflow(ov);
}

}  // namespace

void g719_scaled_overlap_add_avx2(const Word32 *aliased, Word16 shift, Word16 *samples, Word32 *history) {
  if (shift >= 0) {
    overlap_add_kernel<false>(aliased, _mm_cvtsi32_si128(shift), samples, history, long_synthesis_window.data());
  } else {
    overlap_add_kernel<true>(aliased, _mm_cvtsi32_si128(shift < -32 ? 32 : -shift), samples, history,
                             long_synthesis_window.data());
  }
}

#else

#include <cstdlib>

void g719_scaled_overlap_add_avx2(const Word32 *, Word16, Word16 *, Word32 *) { std::abort(); }

#endif
