// The 960-point DCT-IV with AVX2: both twiddle passes four complex values at
// a time, the pre-twiddle inside the AVX2 480-point FFT's first stage, the
// post-twiddle after it. The even/odd and mirrored index patterns are
// register permutations on the way in and out, so the arithmetic runs on
// contiguous registers. Inputs within the plain bounds (transform/dct4.h) run
// every step in plain lane arithmetic; others with the saturating lane
// operators.
#include "transform/dct4.h"

#if defined(__x86_64__)

#include <cstdint>
#include <type_traits>

#include "frame/frame_geometry.h"
#include "transform/complex_ops.h"
#include "transform/fft_avx2.h"
#include "transform/simd_ops_avx2.h"
#include "transform/transform_tables.h"

namespace {

using namespace avx2_ops;

// Pre- and post-twiddles of the 960-point transform, each factor repeated
// for the re and im lanes of its complex value.
struct Dct960Avx2Tables {
  alignas(32) Word32 pre_c[kFrameSamples];
  alignas(32) Word32 pre_s[kFrameSamples];
  alignas(32) Word32 post_c[kFrameSamples];
  alignas(32) Word32 post_s[kFrameSamples];
};

Dct960Avx2Tables build_tables() {
  Dct960Avx2Tables t{};
  for (int n = 0; n < kHalfFrame; ++n) {
    t.pre_c[2 * n] = t.pre_c[2 * n + 1] = dct960_pre_twiddle[n].c;
    t.pre_s[2 * n] = t.pre_s[2 * n + 1] = dct960_pre_twiddle[n].s;
    t.post_c[2 * n] = t.post_c[2 * n + 1] = dct960_post_twiddle[n].c;
    t.post_s[2 * n] = t.post_s[2 * n + 1] = dct960_post_twiddle[n].s;
  }
  return t;
}

const Dct960Avx2Tables &tables() {
  static const Dct960Avx2Tables t = build_tables();
  return t;
}

G719_AVX2 static inline __m256i load8(const Word32 *v) {
  return _mm256_load_si256(reinterpret_cast<const __m256i *>(v));
}

G719_AVX2 static inline __m256i loadu8(const void *v) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(v));
}

G719_AVX2 static inline void storeu8(void *p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }

// Sum of the magnitudes of x[0..count-1] (MIN_32 counting 2^31), in 64-bit
// lanes.
G719_AVX2 long long magnitude_sum(const Word32 *x, int count) {
  __m256i sum = _mm256_setzero_si256();
  for (int i = 0; i < count; i += 8) {
    const __m256i m = _mm256_abs_epi32(loadu8(x + i));
    sum = _mm256_add_epi64(sum, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(m)));
    sum = _mm256_add_epi64(sum, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(m, 1)));
  }
  alignas(32) long long lanes[4];
  _mm256_store_si256(reinterpret_cast<__m256i *>(lanes), sum);
  return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

// True when a lane of peak, an unsigned magnitude, exceeds limit (at most
// MAX_32): the signed compare sees magnitudes from 2^31 up as negative,
// which the sign bits catch.
G719_AVX2 static inline bool peak_above(__m256i peak, Word32 limit) {
  const __m256i over = _mm256_cmpgt_epi32(peak, _mm256_set1_epi32(limit));
  return _mm256_testz_si256(over, over) == 0 || _mm256_movemask_ps(_mm256_castsi256_ps(peak)) != 0;
}

// True when the count (a multiple of 8, at most 960) inputs allow the plain
// kernels: every one within +-bound, or the sum of their magnitudes at most
// kPlainInputMagnitudeSum. The one scan keeps the peak magnitude and, per
// lane, the 32-bit sum of the magnitudes: with a peak of at most 2^25 each
// lane sums at most 120 values below 2^25 + 1, below 2^32 as an unsigned
// value, so the lane sums are exact. A larger peak (a damaged frame) takes
// a second scan in 64-bit sums.
G719_AVX2 bool plain_input(const Word32 *x, int count, Word32 bound) {
  __m256i peak = _mm256_setzero_si256();
  __m256i sum = _mm256_setzero_si256();
#pragma GCC unroll 4
  for (int i = 0; i < count; i += 8) {
    const __m256i m = _mm256_abs_epi32(loadu8(x + i));  // MIN_32 gives 2^31 as an unsigned lane
    peak = _mm256_max_epu32(peak, m);
    sum = _mm256_add_epi32(sum, m);
  }
  if (!peak_above(peak, bound)) return true;
  if (peak_above(peak, 1 << 25)) return magnitude_sum(x, count) <= kPlainInputMagnitudeSum;
  alignas(32) std::uint32_t lanes[8];
  _mm256_store_si256(reinterpret_cast<__m256i *>(lanes), sum);
  long long total = 0;
  for (std::uint32_t v : lanes) total += v;
  return total <= kPlainInputMagnitudeSum;
}

// y[2k] and y[959 - 2k] from Z[k] times the post-twiddle; the second is
// L_negate of the twiddle product's imaginary part.
template <class Lanes>
G719_AVX2 static inline __m256i post_twiddle4(const Cplx *z, int k, const Dct960Avx2Tables &t, __m256i &ov) {
  const __m256i p = mul_twiddle4_with<Lanes>(loadu8(z + k), load8(t.post_c + 2 * k), load8(t.post_s + 2 * k), ov);
  return _mm256_blend_epi32(p, Lanes::negate(p), 0xAA);
}

template <class Lanes>
G719_AVX2 void post_twiddle_960(const Cplx *z, Word32 *y, const Dct960Avx2Tables &t, __m256i &ov) {
  // With r[k] the twiddled (re, -im) of Z[k]: y[8g .. 8g+7] takes the re
  // parts of r[4g .. 4g+3] at its even positions and the im parts of
  // r[479 - 4g] down to r[476 - 4g] at its odd ones. Groups g and 119 - g
  // draw on the same two registers r[4g ..] and r[476 - 4g ..], so each pair
  // of groups is written straight from them.
  const __m256i mirror = _mm256_setr_epi32(0, 7, 0, 5, 0, 3, 0, 1);
  for (int g = 0; g < 60; ++g) {
    const __m256i front = post_twiddle4<Lanes>(z, 4 * g, t, ov);
    const __m256i back = post_twiddle4<Lanes>(z, 476 - 4 * g, t, ov);
    storeu8(y + 8 * g, _mm256_blend_epi32(front, _mm256_permutevar8x32_epi32(back, mirror), 0xAA));
    storeu8(y + 952 - 8 * g, _mm256_blend_epi32(back, _mm256_permutevar8x32_epi32(front, mirror), 0xAA));
  }
}

template <class Lanes>
G719_AVX2 void dct4_960_kernel(const Word32 *input, Word32 *output, const Dct960Avx2Tables &t) {
  // z[n] = (x[2n], x[959 - 2n]) times the pre-twiddle, formed inside the
  // FFT's first stage: the portable pass's L_sub(L_mls(a, c), L_mls(b, s))
  // and L_add(L_mls(a, s), L_mls(b, c)) are the complex twiddle product of
  // (a, b).
  Cplx z[kHalfFrame];
  if constexpr (std::is_same_v<Lanes, PlainLanes>) {
    dct960_pre_twiddle_fft_480_avx2_plain(input, t.pre_c, t.pre_s, z);
  } else {
    dct960_pre_twiddle_fft_480_avx2(input, t.pre_c, t.pre_s, z);
  }
  __m256i ov = _mm256_setzero_si256();
  post_twiddle_960<Lanes>(z, output, t, ov);
  flush_overflow(ov);
}

// Transposes a 4 x 4 block of complex values: register r's value i moves to
// register i's value r.
G719_AVX2 static inline void transpose4(__m256i *v) {
  const __m256i t0 = _mm256_unpacklo_epi64(v[0], v[1]);
  const __m256i t1 = _mm256_unpackhi_epi64(v[0], v[1]);
  const __m256i t2 = _mm256_unpacklo_epi64(v[2], v[3]);
  const __m256i t3 = _mm256_unpackhi_epi64(v[2], v[3]);
  v[0] = _mm256_permute2x128_si256(t0, t2, 0x20);
  v[1] = _mm256_permute2x128_si256(t1, t3, 0x20);
  v[2] = _mm256_permute2x128_si256(t0, t2, 0x31);
  v[3] = _mm256_permute2x128_si256(t1, t3, 0x31);
}

// Output k of the four short transforms times the post-twiddle, as
// (re, L_negate(im)) per block.
template <class Lanes>
G719_AVX2 static inline __m256i post_twiddle240(const Cplx *z, int k, __m256i &ov) {
  const __m256i c = _mm256_set1_epi32(dct240_post_twiddle[k].c);
  const __m256i s = _mm256_set1_epi32(dct240_post_twiddle[k].s);
  const __m256i p = mul_twiddle4_with<Lanes>(loadu8(z + 4 * k), c, s, ov);
  return _mm256_blend_epi32(p, Lanes::negate(p), 0xAA);
}

// The four short transforms: element n of the four pre-twiddled blocks
// shares one register (the twiddle factor is the same for all four), the
// four-way 120-point kernel leaves output k of block b at z[4k + b], and the
// post-twiddle again runs on one register per k. The even/odd and mirrored
// index patterns are the 960-point transform's register permutations, per
// block, with a 4 x 4 transpose between one register per block and one per
// element.
template <class Lanes>
G719_AVX2 void dct4_240_x4_kernel(const Word32 *input, Word32 *output) {
  const __m256i mirror = _mm256_setr_epi32(0, 7, 0, 5, 0, 3, 0, 1);
  __m256i ov = _mm256_setzero_si256();
  Cplx pairs[kHalfFrame];
  for (int n = 0; n < 120; n += 4) {
    // q[b]: (x[2m], x[239 - 2m]) of block b for m = n .. n+3.
    __m256i q[4];
    for (int b = 0; b < 4; ++b) {
      const Word32 *x = input + kShortBlockLength * b;
      const __m256i back = _mm256_permutevar8x32_epi32(loadu8(x + 232 - 2 * n), mirror);
      q[b] = _mm256_blend_epi32(loadu8(x + 2 * n), back, 0xAA);
    }
    transpose4(q);
    for (int i = 0; i < 4; ++i) {
      const __m256i c = _mm256_set1_epi32(dct240_pre_twiddle[n + i].c);
      const __m256i s = _mm256_set1_epi32(dct240_pre_twiddle[n + i].s);
      storeu8(pairs + 4 * (n + i), mul_twiddle4_with<Lanes>(q[i], c, s, ov));
    }
  }
  flush_overflow(ov);
  Cplx z[kHalfFrame];
  if constexpr (std::is_same_v<Lanes, PlainLanes>) {
    fft_120_x4_avx2_plain(pairs, z);
  } else {
    fft_120_x4_avx2(pairs, z);
  }
  // Per block, with r[k] the twiddled (re, -im) of output k: output[8g ..
  // 8g+7] takes the re parts of r[4g .. 4g+3] at its even positions and the
  // im parts of r[119 - 4g] down to r[116 - 4g] at its odd ones; groups g
  // and 29 - g are written from the same registers.
  ov = _mm256_setzero_si256();
  for (int g = 0; g < 15; ++g) {
    __m256i front[4], back[4];
    for (int i = 0; i < 4; ++i) {
      front[i] = post_twiddle240<Lanes>(z, 4 * g + i, ov);
      back[i] = post_twiddle240<Lanes>(z, 116 - 4 * g + i, ov);
    }
    transpose4(front);
    transpose4(back);
    for (int b = 0; b < 4; ++b) {
      Word32 *y = output + kShortBlockLength * b;
      storeu8(y + 8 * g, _mm256_blend_epi32(front[b], _mm256_permutevar8x32_epi32(back[b], mirror), 0xAA));
      storeu8(y + 232 - 8 * g, _mm256_blend_epi32(back[b], _mm256_permutevar8x32_epi32(front[b], mirror), 0xAA));
    }
  }
  flush_overflow(ov);
}

}  // namespace

void dct4_960_avx2(Word32 *input, Word32 *output) {
  if (plain_input(input, kFrameSamples, kDct960PlainInputBound)) {
    dct4_960_kernel<PlainLanes>(input, output, tables());
  } else {
    dct4_960_kernel<SaturatingLanes>(input, output, tables());
  }
}

void dct4_960_small_input_avx2(Word32 *input, Word32 *output) {
  dct4_960_kernel<PlainLanes>(input, output, tables());
}

void dct4_240_x4_avx2(const Word32 *input, Word32 *output) {
  if (plain_input(input, kFrameSamples, kDct240PlainInputBound)) {
    dct4_240_x4_kernel<PlainLanes>(input, output);
  } else {
    dct4_240_x4_kernel<SaturatingLanes>(input, output);
  }
}

#else

#include <cstdlib>

void dct4_960_avx2(Word32 *, Word32 *) { std::abort(); }
void dct4_960_small_input_avx2(Word32 *, Word32 *) { std::abort(); }
void dct4_240_x4_avx2(const Word32 *, Word32 *) { std::abort(); }

#endif
