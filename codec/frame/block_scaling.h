// Block scaling loops of the frame drivers: the peak magnitude of a block
// and whole-block saturating shifts. Each *_avx2 twin gives the values and
// the Overflow flag of its portable loop, for every block.
#pragma once

#include "basop/basop.h"

// Largest L_abs(x[i]) over i < n (0 for n = 0); MIN_32 counts as MAX_32.
Word32 block_peak_magnitude(const Word32 *x, int n);

// x[i] = L_shl(x[i], shift) for i < n.
void block_shl(Word32 *x, int n, Word16 shift);
void block_shl_avx2(Word32 *x, int n, Word16 shift);

// block_shl, also writing the shifted values to copy[0 .. n-1] (which must
// not overlap x).
void block_shl_copy(Word32 *x, int n, Word16 shift, Word32 *copy);
void block_shl_copy_avx2(Word32 *x, int n, Word16 shift, Word32 *copy);

// x[i] = L_shr(x[i], shift) for i < n.
void block_shr(Word32 *x, int n, Word16 shift);
void block_shr_avx2(Word32 *x, int n, Word16 shift);
