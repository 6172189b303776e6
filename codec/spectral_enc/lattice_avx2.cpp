// The lattice quantizer with one vector per register: eight 16-bit lanes.
// Within the range the kernel takes (spectral_enc/lattice.h) every step is
// exact in plain lane arithmetic, so the lanes compute what the portable
// path's basic operators compute.
#include "spectral_enc/lattice.h"

#if defined(__x86_64__)

#include "spectral_enc/d8_nearest_paths.h"
#include "spectral_enc/lattice_avx2_lanes.h"
#include "spectral_enc/lattice_tables.h"

namespace {

using namespace lattice_lanes;

// The index of the nearest point to y, and whether that point lies in the
// codebook (is the codebook point of its own index).
G719_AVX2 static inline bool index_if_in_codebook(__m128i y, const Resolution &c, __m128i &k) {
  const __m128i z = nearest_point(y, c);
  k = index_of(z, c);
  const __m128i x = point_of(k, c);
  return _mm_movemask_epi8(_mm_cmpeq_epi16(x, z)) == 0xFFFF;
}

// The whole search for an input y within +-kD8PlainBound: the index k, and
// y as the search leaves it (halved when it did not fit at once).
G719_AVX2 static inline __m128i quantize_in_register(__m128i &y, const Resolution &c) {
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

// The lattice scaling y = extract_l(L_shr(L_mult0(21845, sub(v, 4)), 12))
// on eight lanes, and whether the kernel takes the vector: no lane of v
// below -32764 (where sub saturates and sets Overflow) and every lane of y
// within +-kD8PlainBound. Without saturation c = v - 4 exactly; the 32-bit
// product 21845 c (|21845 c| < 2^30) is hi:lo of mulhi/mullo, and the low
// 16 bits of its arithmetic shift by 12 are lo >> 12 (logical) | hi << 4,
// extract_l's wrap included.
G719_AVX2 static inline bool scale_for_lattice(__m128i v, __m128i &y) {
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

G719_AVX2 void scaled_vectors_kernel(const Word16 *v, Word16 *k, Word16 count, Word16 R) {
  const Resolution c = resolution_of(R);
  for (Word16 n = 0; n < count; n++, v += kLatticeDim, k += kLatticeDim) {
    __m128i y;
    if (scale_for_lattice(load8(v), y)) {
      store8(k, quantize_in_register(y, c));
    } else {
      lattice_quantize_scaled(v, k, R);
    }
  }
}

bool resolution_valid(Word16 R) { return R >= 2 && R <= kLatticeMaxBits; }

}  // namespace

void lattice_quantize_vectors_avx2(const Word16 *v, Word16 *k, Word16 count, Word16 R) {
  if (!resolution_valid(R)) {
    lattice_quantize_vectors(v, k, count, R);
    return;
  }
  scaled_vectors_kernel(v, k, count, R);
}

#else

#include <cstdlib>

void lattice_quantize_vectors_avx2(const Word16 *, Word16 *, Word16, Word16) { std::abort(); }

#endif
