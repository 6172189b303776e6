// The lattice quantizer with one vector per register: eight 16-bit lanes.
// Within the ranges the kernels accept (lattice_avx2.h) every step is exact
// in plain lane arithmetic, so the lanes compute what the portable path's
// basic operators compute.
#include "spectral_enc/lattice_avx2.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include "spectral_enc/d8_nearest_paths.h"
#include "spectral_enc/lattice_tables.h"

namespace {

#define LATTICE_AVX2 __attribute__((target("avx2"), always_inline)) static inline
#define LATTICE_AVX2_KERNEL __attribute__((target("avx2")))

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

LATTICE_AVX2 Resolution resolution_of(Word16 R) {
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

LATTICE_AVX2 __m128i load8(const Word16 *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
LATTICE_AVX2 void store8(Word16 *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

// True when every lane lies within +-bound.
LATTICE_AVX2 bool within(__m128i v, short bound) {
  const __m128i outside =
      _mm_or_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(bound)), _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<short>(-bound)), v));
  return _mm_testz_si128(outside, outside) != 0;
}

// The nearest D8 point to y / 2^(13-R): round each lane (halves toward
// zero), then, for an odd sum, move the lane with the largest rounding error
// (the first of equals; lane 0 when all errors are 0) one step toward y.
LATTICE_AVX2 __m128i nearest_point(__m128i y, const Resolution &c) {
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
LATTICE_AVX2 __m128i lane_sum(__m128i v) {
  v = _mm_add_epi16(v, _mm_shuffle_epi32(v, 0x4E));
  v = _mm_add_epi16(v, _mm_shuffle_epi32(v, 0xB1));
  return _mm_add_epi16(v, _mm_shufflelo_epi16(_mm_shufflehi_epi16(v, 0xB1), 0xB1));
}

// Index of the point z: k0 = ((z0 - z1 - ... - z7) >> 1) mod 2^R, ki = zi
// mod 2^R.
LATTICE_AVX2 __m128i index_of(__m128i z, const Resolution &c) {
  const __m128i z0 = _mm_shuffle_epi8(z, _mm_set1_epi16(0x0100));
  const __m128i d = _mm_sub_epi16(_mm_add_epi16(z0, z0), lane_sum(z));
  const __m128i first = _mm_and_si128(_mm_srai_epi16(d, 1), c.modulus_m1);
  return _mm_blend_epi16(_mm_and_si128(z, c.modulus_m1), first, 0x01);
}

// The codebook point of the index k: v = (2k0 + k1 + ... + k7, k1, ..., k7)
// less 2^R times the nearest point of v / 2^R.
LATTICE_AVX2 __m128i point_of(__m128i k, const Resolution &c) {
  const __m128i k0 = _mm_shuffle_epi8(k, _mm_set1_epi16(0x0100));
  const __m128i v = _mm_blend_epi16(k, _mm_add_epi16(k0, lane_sum(k)), 0x01);
  const __m128i w = c.index_left ? _mm_sll_epi16(v, c.index_shift) : _mm_sra_epi16(v, c.index_shift);
  return _mm_sub_epi16(v, _mm_sll_epi16(nearest_point(w, c), c.r_count));
}

// The index of the nearest point to y, and whether that point lies in the
// codebook (is the codebook point of its own index).
LATTICE_AVX2 bool index_if_in_codebook(__m128i y, const Resolution &c, __m128i &k) {
  const __m128i z = nearest_point(y, c);
  k = index_of(z, c);
  const __m128i x = point_of(k, c);
  return _mm_movemask_epi8(_mm_cmpeq_epi16(x, z)) == 0xFFFF;
}

// The whole search for an input y within +-kD8PlainBound: the index k, and
// y as the search leaves it (halved when it did not fit at once).
LATTICE_AVX2 __m128i quantize_in_register(__m128i &y, const Resolution &c) {
  __m128i k;
  if (index_if_in_codebook(y, c, k)) return k;

  // Halve (shr_r by 1: the shift plus the bit shifted out) until it fits.
  bool fits = false;
  for (int n = 0; n < 15 && !fits; n++) {
    y = _mm_add_epi16(_mm_srai_epi16(y, 1), _mm_and_si128(y, _mm_set1_epi16(1)));
    fits = index_if_in_codebook(y, c, k);
  }
  if (!fits) return _mm_setzero_si128();

  // Grow by y * m / 16 (the low half of the 32-bit product shifted by 4,
  // plus one where negative) while it still fits.
  for (short m = 1; m <= 15; m++) {
    const __m128i factor = _mm_set1_epi16(m);
    const __m128i lo = _mm_mullo_epi16(y, factor);
    const __m128i hi = _mm_mulhi_epi16(y, factor);
    __m128i t = _mm_or_si128(_mm_srli_epi16(lo, 4), _mm_slli_epi16(hi, 12));
    t = _mm_sub_epi16(t, _mm_cmpgt_epi16(_mm_setzero_si128(), t));
    __m128i grown;
    if (!index_if_in_codebook(_mm_add_epi16(y, t), c, grown)) break;
    k = grown;
  }
  return k;
}

LATTICE_AVX2_KERNEL bool quantize_kernel(Word16 *y_out, Word16 *k_out, Word16 R) {
  const Resolution c = resolution_of(R);
  __m128i y = load8(y_out);
  const __m128i k = quantize_in_register(y, c);
  store8(y_out, y);
  store8(k_out, k);
  return true;
}

// The lattice scaling y = extract_l(L_shr(L_mult0(21845, sub(v, 4)), 12))
// on eight lanes, and whether the kernel takes the vector: no lane of v
// below -32764 (where sub saturates and sets Overflow) and every lane of y
// within +-kD8PlainBound. Without saturation c = v - 4 exactly; the 32-bit
// product 21845 c (|21845 c| < 2^30) is hi:lo of mulhi/mullo, and the low
// 16 bits of its arithmetic shift by 12 are lo >> 12 (logical) | hi << 4,
// extract_l's wrap included.
LATTICE_AVX2 bool scale_for_lattice(__m128i v, __m128i &y) {
  const __m128i c = _mm_sub_epi16(v, _mm_set1_epi16(4));
  const __m128i factor = _mm_set1_epi16(21845);
  const __m128i lo = _mm_mullo_epi16(c, factor);
  const __m128i hi = _mm_mulhi_epi16(c, factor);
  y = _mm_or_si128(_mm_srli_epi16(lo, 12), _mm_slli_epi16(hi, 4));
  const __m128i saturating = _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<short>(MIN_16 + 4)), v);
  const __m128i outside = _mm_or_si128(
      saturating, _mm_or_si128(_mm_cmpgt_epi16(y, _mm_set1_epi16(kD8PlainBound)),
                               _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<short>(-kD8PlainBound)), y)));
  return _mm_testz_si128(outside, outside) != 0;
}

LATTICE_AVX2_KERNEL void scaled_vectors_kernel(const Word16 *v, Word16 *k, Word16 count, Word16 R) {
  const Resolution c = resolution_of(R);
  for (Word16 n = 0; n < count; n++, v += kLatticeDim, k += kLatticeDim) {
    __m128i y;
    if (scale_for_lattice(load8(v), y)) {
      store8(k, quantize_in_register(y, c));
    } else {
      lattice_quantize_scaled_portable(v, k, R);
    }
  }
}

LATTICE_AVX2_KERNEL bool index_to_point_kernel(const Word16 *k_in, Word16 *x_out, Word16 R) {
  const Resolution c = resolution_of(R);
  const __m128i k = load8(k_in);
  const __m128i outside = _mm_or_si128(_mm_cmpgt_epi16(k, c.modulus_m1), _mm_cmpgt_epi16(_mm_setzero_si128(), k));
  if (_mm_testz_si128(outside, outside) == 0) return false;
  store8(x_out, point_of(k, c));
  return true;
}

LATTICE_AVX2_KERNEL bool plain_range(const Word16 *y) { return within(load8(y), kD8PlainBound); }

bool resolution_valid(Word16 R) { return R >= 2 && R <= kLatticeMaxBits; }

}  // namespace

bool lattice_quantize_vector_avx2(Word16 *y, Word16 *k, Word16 modulus, Word16 R) {
  if (!resolution_valid(R) || modulus != lattice_modulus_table[R] || !plain_range(y)) return false;
  return quantize_kernel(y, k, R);
}

bool d8_index_to_point_avx2(const Word16 *k, Word16 *x, Word16 R) {
  if (!resolution_valid(R)) return false;
  return index_to_point_kernel(k, x, R);
}

void lattice_quantize_scaled_vectors_avx2(const Word16 *v, Word16 *k, Word16 count, Word16 R) {
  if (!resolution_valid(R)) {
    for (Word16 n = 0; n < count; n++) lattice_quantize_scaled_portable(v + kLatticeDim * n, k + kLatticeDim * n, R);
    return;
  }
  scaled_vectors_kernel(v, k, count, R);
}

#else

bool lattice_quantize_vector_avx2(Word16 *, Word16 *, Word16, Word16) { return false; }
bool d8_index_to_point_avx2(const Word16 *, Word16 *, Word16) { return false; }

#include <cstdlib>

void lattice_quantize_scaled_vectors_avx2(const Word16 *, Word16 *, Word16, Word16) { std::abort(); }

#endif
