// Inverse transform and windowed overlap-add of the decoder.
#pragma once

#include "basop/basop.h"

// Turns 960 coefficients into 1920 time-aliased values, on the kernel set K.
//
// transient == 0: one DCT-IV of 960 points, halved; coefficients is used as
// working storage and overwritten.
// transient != 0: coefficients[240b .. 240b + 239] is short block b (time
// order); each goes through a DCT-IV of 240 points, is unfolded and windowed
// with a 480-point sine window, and the four blocks are overlap-added into
// one 960-value sequence, which is then reversed. coefficients is only read.
//
// Either way the 960 values v are unfolded into
//   aliased[i] = v[480 + i], aliased[480 + i] = -v[959 - i],
//   aliased[960 + i] = -v[479 - i], aliased[1440 + i] = -v[i]   (i < 480),
// so aliased[480 + i] = -aliased[479 - i] and aliased[1440 + i] =
// aliased[1439 - i]. For coefficients on the encoder's scale times 2^s the
// values are 512 * 2^s times the time-aliased signal in PCM units.
template <class K>
void g719_inverse_transform(Word32 *coefficients, Word32 *aliased, Word16 transient);

// The unfolding above (v[0..959] into aliased[0..1919]), the negations with
// L_sub(0, x).
void unfold_aliased(const Word32 *v, Word32 *aliased);
void unfold_aliased_avx2(const Word32 *v, Word32 *aliased);

// The long transform's halving and the unfolding in one pass: the values
// and Overflow flag of L_shr(v[i], 1) for every i followed by
// unfold_aliased, with v left unchanged.
void unfold_halved_aliased(const Word32 *v, Word32 *aliased);
void unfold_halved_aliased_avx2(const Word32 *v, Word32 *aliased);

// The frame driver's last steps in one pass: the aliased values shifted by
// L_shr(aliased[i], shift) (the block scaling undone, 9 fractional bits
// left) and windowed with the 1920-point sine window; the first half is
// added to history (the previous frame's windowed second half) and returned
// to 16-bit PCM in samples[0..959] (L_shl by 7, then rounding of the upper
// half, with saturation); the windowed second half is saved in
// history[0..959]. aliased is only read.
void g719_scaled_overlap_add(const Word32 *aliased, Word16 shift, Word16 *samples, Word32 *history);
void g719_scaled_overlap_add_avx2(const Word32 *aliased, Word16 shift, Word16 *samples, Word32 *history);
