// The saturating 32-bit basic operators on eight lanes at once, for the AVX2
// kernels. Each lane computes exactly what the scalar operator of the same
// name computes. Instead of writing Overflow per lane, every operator ORs a
// lane mask into an accumulator whose sign bits record the lanes that
// saturated; the kernel sets Overflow once at the end if any did
// (flush_overflow), which leaves the flag as the scalar sequence would.
//
// Only for translation units built for x86-64 (frame/avx2_target.h).
#pragma once

#include "frame/avx2_target.h"

#if defined(__x86_64__)

#include <type_traits>

#include "basop/basop.h"

namespace avx2_ops {

// Factor pairs (first(i), second(i)) side by side for i < N: the operand
// layout of _mm256_madd_epi16 against interleaved pairs of samples.
template <int N>
struct FactorPairs {
  alignas(32) Word16 v[2 * N];
};

template <int N, class First, class Second>
FactorPairs<N> make_factor_pairs(First first, Second second) {
  FactorPairs<N> p{};
  for (int i = 0; i < N; ++i) {
    p.v[2 * i] = first(i);
    p.v[2 * i + 1] = second(i);
  }
  return p;
}

// L_add per lane.
G719_AVX2 static inline __m256i L_add8(__m256i a, __m256i b, __m256i &ov) {
  const __m256i s = _mm256_add_epi32(a, b);
  const __m256i o = _mm256_and_si256(_mm256_xor_si256(a, s), _mm256_xor_si256(b, s));
  const __m256i sat = _mm256_xor_si256(_mm256_srai_epi32(a, 31), _mm256_set1_epi32(MAX_32));
  ov = _mm256_or_si256(ov, o);
  return _mm256_castps_si256(
      _mm256_blendv_ps(_mm256_castsi256_ps(s), _mm256_castsi256_ps(sat), _mm256_castsi256_ps(o)));
}

// L_sub per lane.
G719_AVX2 static inline __m256i L_sub8(__m256i a, __m256i b, __m256i &ov) {
  const __m256i s = _mm256_sub_epi32(a, b);
  const __m256i o = _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(a, s));
  const __m256i sat = _mm256_xor_si256(_mm256_srai_epi32(a, 31), _mm256_set1_epi32(MAX_32));
  ov = _mm256_or_si256(ov, o);
  return _mm256_castps_si256(
      _mm256_blendv_ps(_mm256_castsi256_ps(s), _mm256_castsi256_ps(sat), _mm256_castsi256_ps(o)));
}

// L_negate per lane (MIN_32 gives MAX_32, no flag).
G719_AVX2 static inline __m256i L_negate8(__m256i a) {
  const __m256i n = _mm256_sub_epi32(_mm256_setzero_si256(), a);
  return _mm256_add_epi32(n, _mm256_cmpeq_epi32(a, _mm256_set1_epi32(MIN_32)));
}

// L_mls(a, f) per lane, f holding a Word16 value (sign-extended) per lane.
G719_AVX2 static inline __m256i L_mls8(__m256i a, __m256i f, __m256i &ov) {
  // Unsigned low half times f: at most 65535 * 32768 in magnitude, exact.
  const __m256i lo = _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_and_si256(a, _mm256_set1_epi32(0xFFFF)), f), 15);
  // L_mult(extract_h(a), f): only -32768 * -32768 saturates, to MAX_32.
  const __m256i p = _mm256_mullo_epi32(_mm256_srai_epi32(a, 16), f);
  const __m256i clamp = _mm256_cmpeq_epi32(p, _mm256_set1_epi32(0x40000000));
  ov = _mm256_or_si256(ov, clamp);
  const __m256i hi = _mm256_xor_si256(_mm256_slli_epi32(p, 1), clamp);  // 0x80000000 ^ ~0 = MAX_32
  return L_add8(lo, hi, ov);
}

// L_shl(x, shift) per lane for shift > 0: the shifted value stands when
// shifting it back gives x (the shift stays within norm_l(x)); otherwise it
// saturates towards x's sign. Counts of 32 and more leave only 0 unchanged.
G719_AVX2 static inline __m256i L_shl8_positive(__m256i x, __m128i count, __m256i &ov) {
  const __m256i s = _mm256_sll_epi32(x, count);
  const __m256i lost = _mm256_xor_si256(_mm256_cmpeq_epi32(_mm256_sra_epi32(s, count), x), _mm256_set1_epi32(-1));
  const __m256i sat = _mm256_xor_si256(_mm256_srai_epi32(x, 31), _mm256_set1_epi32(MAX_32));
  ov = _mm256_or_si256(ov, lost);
  return _mm256_blendv_epi8(s, sat, lost);
}

// Sets Overflow when any lane of the accumulator recorded a saturation.
G719_AVX2 static inline void flush_overflow(__m256i ov) {
  if (_mm256_movemask_ps(_mm256_castsi256_ps(ov)) != 0) Overflow = 1;
}

// The largest of eight magnitudes taken with _mm256_abs_epi32 and compared
// unsigned, as L_abs gives it: abs maps MIN_32 to 2^31, which exceeds every
// other magnitude and is limited to MAX_32.
G719_AVX2 static inline Word32 peak_of_magnitudes(__m256i m) {
  __m128i h = _mm_max_epu32(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
  h = _mm_max_epu32(h, _mm_shuffle_epi32(h, 0x4E));
  h = _mm_max_epu32(h, _mm_shuffle_epi32(h, 0xB1));
  const UWord32 top = static_cast<UWord32>(_mm_cvtsi128_si32(h));
  return top > static_cast<UWord32>(MAX_32) ? MAX_32 : static_cast<Word32>(top);
}

// Four complex values (re, im) per register: swaps re and im in each pair.
G719_AVX2 static inline __m256i swap_pairs(__m256i a) { return _mm256_shuffle_epi32(a, 0xB1); }

// cplx_mul_j on four complex values: (re, im) becomes (L_negate(im), re).
G719_AVX2 static inline __m256i cplx_mul_j4(__m256i a) {
  const __m256i s = swap_pairs(a);
  return _mm256_blend_epi32(s, L_negate8(s), 0x55);
}

// cplx_mul_twiddle on four complex values, factors c and s per lane:
// re = L_sub(L_mls(re, c), L_mls(im, s)), im = L_add(L_mls(re, s), L_mls(im, c)).
G719_AVX2 static inline __m256i mul_twiddle4(__m256i x, __m256i c, __m256i s, __m256i &ov) {
  const __m256i xc = L_mls8(x, c, ov);               // (re c, im c)
  const __m256i xs = swap_pairs(L_mls8(x, s, ov));   // (im s, re s)
  __m256i ov_sub = _mm256_setzero_si256();
  __m256i ov_add = _mm256_setzero_si256();
  const __m256i d = L_sub8(xc, xs, ov_sub);
  const __m256i a = L_add8(xs, xc, ov_add);
  ov = _mm256_or_si256(ov, _mm256_blend_epi32(ov_sub, ov_add, 0xAA));
  return _mm256_blend_epi32(d, a, 0xAA);
}

// The lane operators of the transform kernels as policies, so that one
// kernel body serves both ways of running it.
//
// SaturatingLanes: the basic operators above, valid for every input.
struct SaturatingLanes {
  G719_AVX2 static __m256i add(__m256i a, __m256i b, __m256i &ov) { return L_add8(a, b, ov); }
  G719_AVX2 static __m256i sub(__m256i a, __m256i b, __m256i &ov) { return L_sub8(a, b, ov); }
  G719_AVX2 static __m256i mls(__m256i a, __m256i f, __m256i &ov) { return L_mls8(a, f, ov); }
  G719_AVX2 static __m256i negate(__m256i a) { return L_negate8(a); }
};

// PlainLanes: wrapping lane arithmetic, for kernels run only on inputs for
// which every value the saturating operators would produce lies within
// +-(2^31 - 2^16). None of them can then saturate, and the plain lanes give
// the same values: L_add/L_sub stay in range, L_negate never sees MIN_32,
// and L_mls never meets the one saturating product (-32768 * -32768 needs a
// high half of -32768, that is a value below -2^31 + 2^16).
struct PlainLanes {
  G719_AVX2 static __m256i add(__m256i a, __m256i b, __m256i &) { return _mm256_add_epi32(a, b); }
  G719_AVX2 static __m256i sub(__m256i a, __m256i b, __m256i &) { return _mm256_sub_epi32(a, b); }
  G719_AVX2 static __m256i mls(__m256i a, __m256i f, __m256i &) {
    const __m256i lo = _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_and_si256(a, _mm256_set1_epi32(0xFFFF)), f), 15);
    return _mm256_add_epi32(lo, _mm256_slli_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(a, 16), f), 1));
  }
  G719_AVX2 static __m256i negate(__m256i a) { return _mm256_sub_epi32(_mm256_setzero_si256(), a); }
};

// PlainLanes::mls through 64-bit products, for factors that are the same in
// both lanes of each pair (a complex value's re and im). Without saturation
// L_mls(a, f) is lo + 2 hi f = floor(a f / 2^15), where lo = floor((a &
// 0xFFFF) f / 2^15) and hi = a >> 16: the exact 64-bit product shifted right
// by 15 has the same low 32 bits as PlainLanes::mls for every a and f, so
// the two are interchangeable. Bits 15..46 of the product land in the even
// lanes by a right shift of 15 and in the odd lanes by a left shift of 17.
G719_AVX2 static inline __m256i plain_mls_paired(__m256i a, __m256i f) {
  const __m256i even = _mm256_srli_epi64(_mm256_mul_epi32(a, f), 15);
  const __m256i odd = _mm256_slli_epi64(_mm256_mul_epi32(_mm256_srli_epi64(a, 32), f), 17);
  return _mm256_blend_epi32(even, odd, 0xAA);
}

// mul_twiddle4 with PlainLanes' operators, through the 64-bit products of
// plain_mls_paired: re = (re c >> 15) - (im s >> 15) in the even lanes,
// im = (re s >> 15) + (im c >> 15) in the odd ones.
G719_AVX2 static inline __m256i plain_mul_twiddle4(__m256i x, __m256i c, __m256i s) {
  const __m256i xi = _mm256_srli_epi64(x, 32);  // im in the low half of each pair
  const __m256i rc = _mm256_srli_epi64(_mm256_mul_epi32(x, c), 15);
  const __m256i is = _mm256_srli_epi64(_mm256_mul_epi32(xi, s), 15);
  const __m256i rs = _mm256_slli_epi64(_mm256_mul_epi32(x, s), 17);
  const __m256i ic = _mm256_slli_epi64(_mm256_mul_epi32(xi, c), 17);
  return _mm256_blend_epi32(_mm256_sub_epi32(rc, is), _mm256_add_epi32(rs, ic), 0xAA);
}

// cplx_mul_j4 and mul_twiddle4 with the operators of a policy.
template <class Lanes>
G719_AVX2 static inline __m256i cplx_mul_j4_with(__m256i a) {
  const __m256i s = swap_pairs(a);
  return _mm256_blend_epi32(s, Lanes::negate(s), 0x55);
}

template <class Lanes>
G719_AVX2 static inline __m256i mul_twiddle4_with(__m256i x, __m256i c, __m256i s, __m256i &ov) {
  if constexpr (std::is_same_v<Lanes, PlainLanes>) return plain_mul_twiddle4(x, c, s);
  const __m256i xc = Lanes::mls(x, c, ov);
  const __m256i xs = swap_pairs(Lanes::mls(x, s, ov));
  __m256i ov_sub = _mm256_setzero_si256();
  __m256i ov_add = _mm256_setzero_si256();
  const __m256i d = Lanes::sub(xc, xs, ov_sub);
  const __m256i a = Lanes::add(xs, xc, ov_add);
  ov = _mm256_or_si256(ov, _mm256_blend_epi32(ov_sub, ov_add, 0xAA));
  return _mm256_blend_epi32(d, a, 0xAA);
}

}  // namespace avx2_ops

#endif
