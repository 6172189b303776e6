// The Huffman cost of a band group's indices with the code lengths of eight
// components per step: the components (masked to 0..2^R-1, so 0..31) are
// packed to bytes and looked up with pshufb in the R's length table, and
// psadbw sums the looked-up lengths. Band widths other than 8, 16, 24 and
// 32 take the portable sum.
#include "spectral_enc/coef_huffman.h"

#if defined(__x86_64__)

#include "transform/simd_ops_avx2.h"

namespace {

// Code lengths per R = 2..5 as bytes: entries 0..15 and 16..31 (zero past
// the code's size; masked components never reach those).
struct LengthBytes {
  alignas(16) unsigned char low[kCoefHuffmanMaxBits + 1][16];
  alignas(16) unsigned char high[kCoefHuffmanMaxBits + 1][16];
};

constexpr LengthBytes make_length_bytes() {
  LengthBytes t{};
  for (int r = kCoefHuffmanMinBits; r <= kCoefHuffmanMaxBits; r++) {
    for (int k = 0; k < (1 << r); k++) {
      const auto length = static_cast<unsigned char>(coef_huffman_lengths[coef_huffman_offsets[r] + k]);
      if (k < 16) {
        t.low[r][k] = length;
      } else {
        t.high[r][k - 16] = length;
      }
    }
  }
  return t;
}

constexpr LengthBytes length_bytes = make_length_bytes();

G719_AVX2 static inline __m128i load_table(const unsigned char *t) {
  return _mm_load_si128(reinterpret_cast<const __m128i *>(t));
}

// Sum of the code lengths of one band's width components (at most 7 * 32).
// Each step packs eight masked components into bytes 0..7 and again into
// 8..15; psadbw sums each half separately, and only the low sum is kept.
template <bool kTwoTables>
G719_AVX2 static inline int band_length_sum(const Word16 *band, int width, int r) {
  const __m128i mask = _mm_set1_epi16(static_cast<short>((1 << r) - 1));
  const __m128i low = load_table(length_bytes.low[r]);
  const __m128i high = load_table(length_bytes.high[r]);
  __m128i acc = _mm_setzero_si128();
  for (int i = 0; i < width; i += 8) {
    const __m128i k = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(band + i)), mask);
    const __m128i bytes = _mm_packus_epi16(k, k);
    // pshufb reads the low four bits of each byte (bit 7 is clear).
    __m128i lengths = _mm_shuffle_epi8(low, bytes);
    if (kTwoTables) {
      const __m128i upper = _mm_cmpgt_epi8(bytes, _mm_set1_epi8(15));
      lengths = _mm_blendv_epi8(lengths, _mm_shuffle_epi8(high, bytes), upper);
    }
    acc = _mm_add_epi64(acc, _mm_sad_epu8(lengths, _mm_setzero_si128()));
  }
  return _mm_cvtsi128_si32(acc);
}

}  // namespace

// add_huffman_lengths adds each length to the count with add. The terms are
// non-negative, so that chain ends at min(bits + sum, 32767) and saturates,
// setting Overflow, exactly when bits + sum exceeds 32767: one add of the
// band's sum (at most 7 * 32) gives the same count and flag.
G719_AVX2 Word16 add_huffman_lengths_avx2(Word16 bits, const Word16 *band, Word16 width, Word16 r) {
  if (width <= 0 || width > 32 || (width & 7) != 0) return add_huffman_lengths(bits, band, width, r);
  const int sum =
      r == kCoefHuffmanMaxBits ? band_length_sum<true>(band, width, r) : band_length_sum<false>(band, width, r);
  return add(bits, static_cast<Word16>(sum));
}

#else

#include <cstdlib>

Word16 add_huffman_lengths_avx2(Word16, const Word16 *, Word16, Word16) { std::abort(); }

#endif
