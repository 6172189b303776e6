// Band normalization with AVX2, eight coefficients per step: L_mls by
// sqrt(1/2) for odd norm indices (written back), then L_shr by the band's
// shift and the low 16 bits of the result. The band loops are unrolled for
// the four band widths, with the odd/even and shift-direction choices made
// once per band; a width that is not a multiple of eight takes the portable
// loop.
#include "spectral_enc/coefficient_coding.h"

#if defined(__x86_64__)

#include "spectral_enc/band_tables.h"
#include "transform/simd_ops_avx2.h"

namespace {

using namespace avx2_ops;

// L_mls(v, 23170) per lane. With this positive factor below 32768 nothing
// saturates: L_mult(extract_h(v), 23170) = 2 * 23170 * h is at most 1.52e9
// in magnitude, the low-half term (v & 0xFFFF) * 23170 >> 15 lies in
// 0..46339, and their sum stays below 2^31; so the plain sum is L_mls's
// value and no flag is set, as in the operator.
G719_AVX2 static inline __m256i mls_sqrt_half(__m256i v) {
  const __m256i lo = _mm256_srli_epi32(
      _mm256_mullo_epi32(_mm256_and_si256(v, _mm256_set1_epi32(0xFFFF)), _mm256_set1_epi32(kSqrtHalfQ15)), 15);
  const __m256i hi = _mm256_mullo_epi32(_mm256_srai_epi32(v, 16), _mm256_set1_epi32(2 * kSqrtHalfQ15));
  return _mm256_add_epi32(lo, hi);
}

// One band of kWidth coefficients: the odd-index rescaling (written back)
// when kOdd, then L_shr by s (kRight: s >= 0, an arithmetic right shift, counts
// from 31 on giving 0 or -1; else L_shl by min(-s, 32)) and the low 16 bits.
template <int kWidth, bool kOdd, bool kRight>
G719_AVX2 static inline void normalize_band(Word32 *x, Word16 *y, Word16 s, __m256i &ov) {
  const __m128i count = _mm_cvtsi32_si128(kRight ? s : (s < -32 ? 32 : -s));
  for (int i = 0; i < kWidth; i += 8) {
    __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + i));
    if (kOdd) {
      v = mls_sqrt_half(v);
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(x + i), v);
    }
    const __m256i r = kRight ? _mm256_sra_epi32(v, count) : L_shl8_positive(v, count, ov);
    // extract_l: the low halves, sign-extended so that the pack only narrows.
    const __m256i low = _mm256_srai_epi32(_mm256_slli_epi32(r, 16), 16);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(low, low), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(y + i), _mm256_castsi256_si128(packed));
  }
}

template <int kWidth>
G719_AVX2 static inline void normalize_bands(Word32 *x, const Word16 *norm_index, Word16 first_band, Word16 end_band,
                               Word16 width, Word16 *y, __m256i &ov) {
  for (Word16 b = first_band; b < end_band; b++, x += width, y += width) {
    const Word16 odd = static_cast<Word16>(norm_index[b] & 1);
    const Word16 s = sub(sub(17, odd), shr(norm_index[b], 1));
    if (kWidth == 0) {
      // Any other width: the band eight coefficients at a time.
      for (int i = 0; i < width; i += 8) {
        if (s >= 0) {
          odd != 0 ? normalize_band<8, true, true>(x + i, y + i, s, ov)
                   : normalize_band<8, false, true>(x + i, y + i, s, ov);
        } else {
          odd != 0 ? normalize_band<8, true, false>(x + i, y + i, s, ov)
                   : normalize_band<8, false, false>(x + i, y + i, s, ov);
        }
      }
    } else if (s >= 0) {
      odd != 0 ? normalize_band<kWidth, true, true>(x, y, s, ov) : normalize_band<kWidth, false, true>(x, y, s, ov);
    } else {
      odd != 0 ? normalize_band<kWidth, true, false>(x, y, s, ov)
               : normalize_band<kWidth, false, false>(x, y, s, ov);
    }
  }
}

G719_AVX2 void normalize_kernel(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                       Word16 end_band, Word16 width, Word16 *out) {
  __m256i ov = _mm256_setzero_si256();
  switch (width) {
    case 8: normalize_bands<8>(coefficients, norm_index, first_band, end_band, width, out, ov); break;
    case 16: normalize_bands<16>(coefficients, norm_index, first_band, end_band, width, out, ov); break;
    case 24: normalize_bands<24>(coefficients, norm_index, first_band, end_band, width, out, ov); break;
    case 32: normalize_bands<32>(coefficients, norm_index, first_band, end_band, width, out, ov); break;
    default: normalize_bands<0>(coefficients, norm_index, first_band, end_band, width, out, ov); break;
  }
  flush_overflow(ov);
}

}  // namespace

void normalize_band_coefficients_avx2(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                      Word16 end_band, Word16 width, Word16 *out) {
  if (width <= 0 || (width & 7) != 0) {
    normalize_band_coefficients(coefficients, norm_index, first_band, end_band, width, out);
    return;
  }
  normalize_kernel(coefficients, norm_index, first_band, end_band, width, out);
}

#else

#include <cstdlib>

void normalize_band_coefficients_avx2(Word32 *, const Word16 *, Word16, Word16, Word16, Word16 *) { std::abort(); }

#endif
