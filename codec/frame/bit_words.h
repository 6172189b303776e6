// Bit words: inside the codec a frame is an array of Word16, one per bit, in
// transmission order. Writers store only BIT_WORD_ZERO or BIT_WORD_ONE;
// readers take exactly BIT_WORD_ONE as a 1 and anything else as a 0.
// Multi-bit values are stored most significant bit first. None of these
// primitives keeps a cursor: callers advance their own.
#pragma once

#include "basop/basop.h"

inline constexpr Word16 BIT_WORD_ZERO = 0x007F;
inline constexpr Word16 BIT_WORD_ONE = 0x0081;

// Writes the n low bits of value into words[0 .. n-1]; n < 1 writes nothing.
void g719_write_value(Word16 value, Word16 n, Word16 *words);

// Writes count values of width bits back to back. Width 1 is special: it
// writes the single value values[0] on count bits and touches nothing else.
void g719_write_values(const Word16 *values, Word16 count, Word16 width, Word16 *words);

// Reads an n-bit value from words[0 .. n-1] into *value (0 when n < 1).
void g719_read_value(const Word16 *words, Word16 n, Word16 *value);

// Reads count values of width bits into values; width 1 reads the single
// value values[0] on count bits and leaves the rest of values untouched.
void g719_read_values(const Word16 *words, Word16 count, Word16 width, Word16 *values);
