#include "frame/bit_words.h"

void g719_write_value(Word16 value, Word16 n, Word16 *words) {
  if (n <= 15) {
    // Shifts below 15 are plain arithmetic shifts.
    for (int j = 0; j < n; j++) words[n - 1 - j] = ((value >> j) & 1) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
    return;
  }
  for (Word16 j = 0; j < n; j++) {
    words[n - 1 - j] = (shr(value, j) & 1) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
  }
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
  for (Word16 k = 0; k < l.number; k++) {
    g719_write_value(values[k], l.bits, words + k * l.bits);
  }
}

void g719_read_value(const Word16 *words, Word16 n, Word16 *value) {
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

void g719_read_values(const Word16 *words, Word16 count, Word16 width, Word16 *values) {
  const ValueLayout l = layout_of(count, width);
  for (Word16 k = 0; k < l.number; k++) {
    g719_read_value(words + k * l.bits, l.bits, &values[k]);
  }
}
