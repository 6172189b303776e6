// The dequantization of a band group with AVX2: each vector of a band with
// 2..9 bits per coefficient goes from its index to its codebook point and
// on to its scaled coefficients in one register, the whole band in one
// loop; one-bit vectors are copied from the scaled one-bit codebook.
#include "spectral_dec/coefficient_decoding.h"

#if defined(__x86_64__)

#include "spectral_enc/lattice.h"
#include "spectral_enc/lattice_avx2_lanes.h"
#include "spectral_enc/lattice_tables.h"

namespace {

using namespace lattice_lanes;

// One vector of a band with R bits whose index has a component outside
// 0..2^R-1: the operator steps.
void dequantize_vector_stepwise(const Word16 *k, Word16 R, Word16 *out) {
  Word16 x[kLatticeDim];
  d8_index_to_point(k, x, R);
  const Word16 shift = sub(13, R);
  for (int i = 0; i < kLatticeDim; i++) out[i] = add(mult(shl(x[i], shift), 6144), 4);
}

// A band of R = 2..9 bits per coefficient, `vectors` vectors of 8.
//
// Why plain lane arithmetic gives add(mult(shl(x, 13 - R), 6144), 4): for
// index components in 0..2^R-1 the codebook point x is v - 2^R n, where n is
// the nearest D8 point to w / 2^(13-R) and w is v shifted by 13 - 2R (to the
// right, truncating, for R >= 7). Rounding leaves each n_i within 1/2 of
// w_i / 2^(13-R) and the odd-sum step moves one lane by 1 towards it, so
// within 1; w_i / 2^(13-R) lies within [v_i / 2^R - 2^(R-13), v_i / 2^R], so
// |v_i / 2^R - n_i| < 2 and |x_i| < 2^(R+1). Then |x_i 2^(13-R)| < 2^14:
// shl does not saturate and a 16-bit shift gives it. mult(a, 6144) of |a| <
// 2^14 is floor(a 6144 / 2^15) = floor(a 12288 / 2^16), the high half of
// the 16-bit product by 12288, and within +-2304, so adding 4 cannot
// saturate either.
G719_AVX2 static inline void lattice_band(const Word16 *index, Word16 R, int vectors, Word16 *normalized) {
  const Resolution c = resolution_of(R);
  const __m128i shift = _mm_cvtsi32_si128(13 - R);
  const __m128i factor = _mm_set1_epi16(12288);
  const __m128i offset = _mm_set1_epi16(4);
  const __m128i zero = _mm_setzero_si128();
  for (int v = 0; v < vectors; v++) {
    const Word16 *k_in = index + v * kLatticeDim;
    Word16 *out = normalized + v * kLatticeDim;
    const __m128i k = load8(k_in);
    const __m128i outside = _mm_or_si128(_mm_cmpgt_epi16(k, c.modulus_m1), _mm_cmpgt_epi16(zero, k));
    if (_mm_testz_si128(outside, outside) == 0) {
      dequantize_vector_stepwise(k_in, R, out);
      continue;
    }
    const __m128i a = _mm_sll_epi16(point_of(k, c), shift);
    store8(out, _mm_add_epi16(_mm_mulhi_epi16(a, factor), offset));
  }
}

// A band of R = 1: each vector is its row of the scaled one-bit codebook,
// or all 4 when its index is below 16 and the previous one was below 128
// (sub(previous, 128) < 0 keeps the sign of the difference). Indices
// outside 0..255 that are not zeroed take the operator steps.
G719_AVX2 static inline void onebit_band(const Word16 *index, const Word16 *table, int vectors, Word16 *normalized) {
  const __m128i fours = _mm_set1_epi16(4);
  Word16 previous = 32767;
  for (int v = 0; v < vectors; v++) {
    const Word16 j = index[v * kLatticeDim];
    Word16 *out = normalized + v * kLatticeDim;
    if (previous < 128 && j < 16) {
      store8(out, fours);
    } else if (j >= 0 && j < kOnebitCodebookSize) {
      store8(out, load8(table + j * kLatticeDim));
    } else {
      // Not an index of the codebook: the whole band again by the operator
      // loop, which rewrites the vectors before with the same values.
      const Word16 one = 1;
      dequantize_band_group(index, &one, 0, 1, static_cast<Word16>(vectors * kLatticeDim), normalized);
      return;
    }
    previous = j;
  }
}

G719_AVX2 void group_kernel(const Word16 *index, const Word16 *allocation, Word16 first_band,
                                      Word16 end_band, Word16 width, const Word16 *onebit, Word16 *normalized) {
  const int vectors = width >> 3;
  int off = 0;
  for (int b = first_band; b < end_band; b++, off += width) {
    const Word16 r = allocation[b];
    if (r >= 2 && r <= kLatticeMaxBits) {
      lattice_band(index + off, r, vectors, normalized + off);
    } else if (r == 1) {
      onebit_band(index + off, onebit, vectors, normalized + off);
    } else if (r <= 0) {
      Word16 *out = normalized + off;
      int i = 0;
      for (; i + kLatticeDim <= width; i += kLatticeDim) store8(out + i, _mm_setzero_si128());
      for (; i < width; i++) out[i] = 0;
    } else {
      dequantize_band_group(index + off, allocation, static_cast<Word16>(b), static_cast<Word16>(b + 1),
                                     width, normalized + off);
    }
  }
}

}  // namespace

void dequantize_band_group_avx2(const Word16 *index, const Word16 *allocation, Word16 first_band, Word16 end_band,
                                Word16 width, Word16 *normalized) {
  const Word16 *onebit = scaled_onebit_codebook();
  // off = (b - first_band) * width stays below 2^15 for at most 128 bands
  // of at most 255 coefficients, so the operator loop's add(off, width)
  // never saturates; other groups take the operator loop.
  if (width < 0 || width > 255 || end_band - first_band > 128 || onebit == nullptr) {
    dequantize_band_group(index, allocation, first_band, end_band, width, normalized);
    return;
  }
  group_kernel(index, allocation, first_band, end_band, width, onebit, normalized);
}

#else

#include <cstdlib>

void dequantize_band_group_avx2(const Word16 *, const Word16 *, Word16, Word16, Word16, Word16 *) { std::abort(); }

#endif
