#include "frame/bit_words.h"

#include "frame/cpu_dispatch.h"

void g719_write_value_bitwise(Word16 value, Word16 n, Word16 *words) {
  if (n <= 15) {
    // Shifts below 15 are plain arithmetic shifts.
    for (int j = 0; j < n; j++) words[n - 1 - j] = ((value >> j) & 1) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
    return;
  }
  for (Word16 j = 0; j < n; j++) {
    words[n - 1 - j] = (shr(value, j) & 1) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
  }
}

void g719_write_value(Word16 value, Word16 n, Word16 *words) {
  if (n > 15) {
    g719_write_value_bitwise(value, n, words);
    return;
  }
  // The low n bits, as the plain shifts of the bitwise form take them; shr
  // is not involved below 16 bits, so no flag changes either way.
  BitWordWriter writer(words);
  if (n > 0) writer.put(static_cast<std::uint16_t>(value), n);
  writer.finish();
}

namespace {

// The array forms: width 1 means one value of count bits in values[0].
struct ValueLayout {
  Word16 bits;
  Word16 number;
};

ValueLayout layout_of(Word16 count, Word16 width) {
  if (sub(width, 1) == 0) return {count, 1};
  return {width, count};
}

}  // namespace

void g719_write_values(const Word16 *values, Word16 count, Word16 width, Word16 *words) {
  const ValueLayout l = layout_of(count, width);
  if (l.bits > 15) {
    for (Word16 k = 0; k < l.number; k++) g719_write_value_bitwise(values[k], l.bits, words + k * l.bits);
    return;
  }
  if (l.bits < 1) return;
  BitWordWriter writer(words);
  for (Word16 k = 0; k < l.number; k++) writer.put(static_cast<std::uint16_t>(values[k]), l.bits);
  writer.finish();
}

void g719_read_value_bitwise(const Word16 *words, Word16 n, Word16 *value) {
  if (n <= 15) {
    // Before the last step v is below 2^14, so neither shl nor add can
    // saturate: the value is the plain binary number.
    int v = 0;
    for (int j = 0; j < n; j++) v = (v << 1) | (words[j] == BIT_WORD_ONE ? 1 : 0);
    *value = static_cast<Word16>(v);
    return;
  }
  Word16 v = 0;
  for (Word16 j = 0; j < n; j++) {
    v = shl(v, 1);
    if (sub(words[j], BIT_WORD_ONE) == 0) v = add(v, 1);
  }
  *value = v;
}

namespace {

// The n-bit number (n <= 15) in words[0 .. n-1]; reads exactly those words.
// Below 16 bits the value is the plain binary number (see the bitwise form).
inline int read_field(const Word16 *words, int n) {
  int v = 0;
  int j = 0;
#if defined(__SSE2__)
  // With the AVX2 kernels (SSE2 is part of every x86-64 processor).
  if (n >= 8 && g719_avx2_active()) {
    // Words 0..7 at once: compare, narrow to bytes, take the sign bits
    // (bit k = words[k]) and reverse them so that words[0] is on top.
    const __m128i eq = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(words)),
                                       _mm_set1_epi16(BIT_WORD_ONE));
    v = bit_words_detail::kByteWords.reversed[_mm_movemask_epi8(_mm_packs_epi16(eq, eq)) & 0xFF];
    j = 8;
  }
#endif
  for (; j < n; j++) v = (v << 1) | (words[j] == BIT_WORD_ONE ? 1 : 0);
  return v;
}

}  // namespace

void g719_read_value(const Word16 *words, Word16 n, Word16 *value) {
  if (n > 15) {
    g719_read_value_bitwise(words, n, value);
    return;
  }
  *value = static_cast<Word16>(read_field(words, n));
}

void g719_read_values(const Word16 *words, Word16 count, Word16 width, Word16 *values) {
  const ValueLayout l = layout_of(count, width);
  if (l.bits > 15) {
    for (Word16 k = 0; k < l.number; k++) g719_read_value_bitwise(words + k * l.bits, l.bits, &values[k]);
    return;
  }
  for (Word16 k = 0; k < l.number; k++) values[k] = static_cast<Word16>(read_field(words + k * l.bits, l.bits));
}
