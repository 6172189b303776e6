// The register steps of the lattice kernels, shared by the encoder's search
// (lattice_avx2.cpp) and the decoder's dequantization
// (spectral_dec/dequantize_avx2.cpp): one vector of eight 16-bit lanes per
// register, plain lane arithmetic within the ranges spectral_enc/lattice.h states.
// Only for translation units built for x86-64 (frame/avx2_target.h).
#pragma once

#include "frame/avx2_target.h"

#if defined(__x86_64__)

#include "basop/basop.h"
#include "spectral_enc/lattice_tables.h"

namespace lattice_lanes {

// The constants of one resolution R.
struct Resolution {
  __m128i shift;      // 13 - R, as a shift count
  __m128i mask;       // 2^(13-R) - 1
  __m128i half;       // 2^(12-R)
  __m128i modulus_m1; // 2^R - 1
  __m128i r_count;    // R, as a shift count
  __m128i index_shift;  // |13 - 2R|, as a shift count
  bool index_left;      // 13 - 2R >= 0
};

G719_AVX2 static inline Resolution resolution_of(Word16 R) {
  Resolution c;
  c.shift = _mm_cvtsi32_si128(lattice_shift_table[R]);
  c.mask = _mm_set1_epi16(lattice_mask_table[R]);
  c.half = _mm_set1_epi16(lattice_half_table[R]);
  c.modulus_m1 = _mm_set1_epi16(static_cast<short>(lattice_modulus_table[R] - 1));
  c.r_count = _mm_cvtsi32_si128(R);
  const int s = 13 - 2 * R;
  c.index_shift = _mm_cvtsi32_si128(s >= 0 ? s : -s);
  c.index_left = s >= 0;
  return c;
}

G719_AVX2 static inline __m128i load8(const Word16 *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
G719_AVX2 static inline void store8(Word16 *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

// The nearest D8 point to y / 2^(13-R): round each lane (halves toward
// zero), then, for an odd sum, move the lane with the largest rounding error
// (the first of equals; lane 0 when all errors are 0) one step toward y.
G719_AVX2 static inline __m128i nearest_point(__m128i y, const Resolution &c) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i q = _mm_sra_epi16(y, c.shift);
  const __m128i r = _mm_sub_epi16(_mm_and_si128(y, c.mask), c.half);
  const __m128i up = _mm_or_si128(_mm_cmpgt_epi16(r, zero),
                                  _mm_and_si128(_mm_cmpeq_epi16(r, zero), _mm_cmpgt_epi16(zero, y)));
  __m128i z = _mm_sub_epi16(q, up);  // up is -1 where the lane rounds up

  // The sum's parity is the parity of the count of odd lanes.
  const unsigned odd_lanes = static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi16(z, 15))) & 0xAAAAu;
  if ((__builtin_popcount(odd_lanes) & 1) == 0) return z;

  const __m128i e = _mm_sub_epi16(y, _mm_sll_epi16(z, c.shift));
  // Largest |e| first: the smallest 32767 - |e|, whose first lane minpos finds.
  const __m128i position = _mm_minpos_epu16(_mm_sub_epi16(_mm_set1_epi16(MAX_16), _mm_abs_epi16(e)));
  const __m128i lane = _mm_set1_epi16(static_cast<short>(_mm_extract_epi16(position, 1)));
  const __m128i chosen = _mm_cmpeq_epi16(_mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7), lane);
  const __m128i step = _mm_or_si128(_mm_srai_epi16(e, 15), _mm_set1_epi16(1));  // -1 where e < 0, else +1
  return _mm_add_epi16(z, _mm_and_si128(chosen, step));
}

// Sum of the eight lanes, in every lane.
G719_AVX2 static inline __m128i lane_sum(__m128i v) {
  v = _mm_add_epi16(v, _mm_shuffle_epi32(v, 0x4E));
  v = _mm_add_epi16(v, _mm_shuffle_epi32(v, 0xB1));
  return _mm_add_epi16(v, _mm_shufflelo_epi16(_mm_shufflehi_epi16(v, 0xB1), 0xB1));
}

// Index of the point z: k0 = ((z0 - z1 - ... - z7) >> 1) mod 2^R, ki = zi
// mod 2^R.
G719_AVX2 static inline __m128i index_of(__m128i z, const Resolution &c) {
  const __m128i z0 = _mm_shuffle_epi8(z, _mm_set1_epi16(0x0100));
  const __m128i d = _mm_sub_epi16(_mm_add_epi16(z0, z0), lane_sum(z));
  const __m128i first = _mm_and_si128(_mm_srai_epi16(d, 1), c.modulus_m1);
  return _mm_blend_epi16(_mm_and_si128(z, c.modulus_m1), first, 0x01);
}

// The codebook point of the index k: v = (2k0 + k1 + ... + k7, k1, ..., k7)
// less 2^R times the nearest point of v / 2^R.
G719_AVX2 static inline __m128i point_of(__m128i k, const Resolution &c) {
  const __m128i k0 = _mm_shuffle_epi8(k, _mm_set1_epi16(0x0100));
  const __m128i v = _mm_blend_epi16(k, _mm_add_epi16(k0, lane_sum(k)), 0x01);
  const __m128i w = c.index_left ? _mm_sll_epi16(v, c.index_shift) : _mm_sra_epi16(v, c.index_shift);
  return _mm_sub_epi16(v, _mm_sll_epi16(nearest_point(w, c), c.r_count));
}

}  // namespace lattice_lanes

#endif
