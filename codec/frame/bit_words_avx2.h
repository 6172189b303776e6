// gather_16_bits (frame/bit_words.h) for the AVX2 kernel set, with SSE2:
// inline, so that the bit-word reader keeps it in its refill loop.
#pragma once

#include "frame/bit_words.h"

#if defined(__x86_64__)
#include <emmintrin.h>

// Compares all 16 words with BIT_WORD_ONE, narrows the masks to bytes and
// takes their sign bits (bit k is words[k]), then reverses each byte's bit
// order to put words[0] on top. The same bits as gather_16_bits.
inline std::uint32_t gather_16_bits_avx2(const Word16 *words) {
  const __m128i one = _mm_set1_epi16(BIT_WORD_ONE);
  const __m128i lo = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(words)), one);
  const __m128i hi = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(words + 8)), one);
  const std::uint32_t m = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(lo, hi)));
  return (static_cast<std::uint32_t>(kByteTables.reversed[m & 0xFF]) << 8) | kByteTables.reversed[m >> 8];
}
#else
inline std::uint32_t gather_16_bits_avx2(const Word16 *words) { return gather_16_bits(words); }
#endif
