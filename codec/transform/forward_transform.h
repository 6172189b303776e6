// Forward transform of the encoder.
#pragma once

#include "basop/basop.h"

// Turns the 960 folded values of a frame, shifted left by shift (the frame
// driver's block scaling, applied in the transform's first pass without
// writing folded), into 960 coefficients. shift must lie in 0..31 and keep
// every shifted value unsaturated (at most norm_l of the largest magnitude);
// a shift outside 0..31 counts as 0.
//
// transient == 0: one DCT-IV of 960 points on the shifted values shifted
// right by 9 with rounding; the whole is a 1920-point sine-window MDCT.
// transient != 0: the shifted values are reversed and rounded to 16 bits,
// and four overlapping stretches are re-windowed with a 480-point sine
// window and transformed by DCT-IV of 240 points; coefficients[240b ..
// 240b + 239] is short block b, in time order.
//
// The coefficients are 256 * 2^shift times the orthonormal DCT-IV of the
// folded signal in PCM units. Runs on the kernel set K.
template <class K>
void g719_forward_transform(const Word32 *folded, Word32 *coefficients, Word16 transient, Word16 shift);
