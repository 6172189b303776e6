// Inverse transform and windowed overlap-add of the decoder.
#pragma once

#include "basop/basop.h"

// Turns 960 coefficients into 1920 time-aliased values.
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
void g719_inverse_transform(Word32 *coefficients, Word32 *aliased, Word16 transient);

// The unfolding above on its own (v[0..959] into aliased[0..1919]), portable;
// g719_inverse_transform runs its AVX2 variant when that is active.
void unfold_aliased_portable(const Word32 *v, Word32 *aliased);

// Windows the 1920 aliased values (9 fractional bits, after the frame
// driver's shift) with the 1920-point sine window, adds the first half to
// history (the previous frame's windowed second half), returns to 16-bit PCM
// in samples[0..959] (L_shl by 7, then rounding of the upper half, with
// saturation) and saves the windowed second half in history[0..959].
// Runs the AVX2 variant when it is active (frame/cpu_dispatch.h); both give
// identical results.
void g719_overlap_add(const Word32 *aliased, Word16 *samples, Word32 *history);

// The portable overlap-add, the reference of every variant.
void g719_overlap_add_portable(const Word32 *aliased, Word16 *samples, Word32 *history);

// The frame driver's last steps in one pass: the aliased values shifted by
// L_shr(aliased[i], shift) (the block scaling undone), then
// g719_overlap_add. aliased is only read. Runs the AVX2 variant when it is
// active; both give the samples, history and Overflow flag of the portable
// version, which is block_shr followed by g719_overlap_add.
void g719_scaled_overlap_add(const Word32 *aliased, Word16 shift, Word16 *samples, Word32 *history);
void g719_scaled_overlap_add_portable(const Word32 *aliased, Word16 shift, Word16 *samples, Word32 *history);
