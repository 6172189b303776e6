// Packing with SSE2: one compare of a byte's eight words.
#include "frame/frame_bytes.h"

#if defined(__x86_64__)

#include <emmintrin.h>

#include "frame/bit_words.h"

void pack_bit_words_avx2(const Word16 *words, std::int32_t bytes, std::uint8_t *frame) {
  const Word16 *w = words;
  for (std::int32_t i = 0; i < bytes; ++i, w += 8) {
    // The mask has word b in bit b; reversing its bit order puts word 0 first.
    const __m128i ones =
        _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w)), _mm_set1_epi16(BIT_WORD_ONE));
    frame[i] = kByteTables.reversed[_mm_movemask_epi8(_mm_packs_epi16(ones, ones)) & 0xFF];
  }
}

#else

#include <cstdlib>

void pack_bit_words_avx2(const Word16 *, std::int32_t, std::uint8_t *) { std::abort(); }

#endif
