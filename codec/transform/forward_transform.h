// Forward transform of the encoder.
#pragma once

#include "basop/basop.h"

// Turns the 960 folded values of a frame (after the frame driver's
// normalising shift, largest magnitude below 2^31) into 960 coefficients.
//
// transient == 0: one DCT-IV of 960 points on the folded values shifted
// right by 9 with rounding; the whole is a 1920-point sine-window MDCT.
// transient != 0: the folded values are reversed and rounded to 16 bits,
// and four overlapping stretches are re-windowed with a 480-point sine
// window and transformed by DCT-IV of 240 points; coefficients[240b ..
// 240b + 239] is short block b, in time order.
//
// With the driver's shift undone the coefficients are 256 times the
// orthonormal DCT-IV of the folded signal in PCM units. folded is only read.
void g719_forward_transform(const Word32 *folded, Word32 *coefficients, Word16 transient);

// The transform of the folded values shifted left by shift, L_shl(folded[i],
// shift), without writing them: the frame driver's block scaling fused into
// the transform's first pass. shift must lie in 0..31 and keep every shifted
// value unsaturated (shift <= norm_l of the largest magnitude); the
// result is then that of block_shl followed by g719_forward_transform.
void g719_forward_transform_scaled(const Word32 *folded, Word32 *coefficients, Word16 transient, Word16 shift);
