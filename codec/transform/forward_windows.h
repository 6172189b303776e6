// The stages of the forward transform before its DCT-IVs (see
// forward_transform.h). Each first takes the folded values shifted left by
// shift: L_shl(folded[i], shift), with shift in 0..31 such that no folded
// value saturates (shift at most norm_l of the largest magnitude, as the
// frame driver's block scaling chooses it). The folded values themselves are
// only read. The *_avx2 twins give the same values and the same Overflow
// flag (set by round_fx of a shifted value above 0x7FFF7FFF), eight
// positions per step; their left shift is a plain one, which is L_shl's value
// within the shift's bound.
#pragma once

#include "basop/basop.h"

// Long blocks: buf[i] = L_shr_r(folded[i], 9) for the 960 folded values.
void long_transform_input(const Word32 *folded, Word32 *buf, Word16 shift);
void long_transform_input_avx2(const Word32 *folded, Word32 *buf, Word16 shift);

// Short blocks: the folded values reversed and rounded to 16 bits (round_fx),
// the four stretches windowed with the 480-point sine window, each windowed
// value shifted right by 7 with rounding; blocks[240b .. 240b + 239] is the
// DCT-IV input of short block b.
void short_window_blocks(const Word32 *folded, Word32 *blocks, Word16 shift);
void short_window_blocks_avx2(const Word32 *folded, Word32 *blocks, Word16 shift);
