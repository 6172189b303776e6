// Block scaling loops of the frame drivers: the peak magnitude of a block
// and whole-block saturating shifts. Each runs the AVX2 variant when it is
// active (frame/cpu_dispatch.h); the results, the Overflow flag included,
// are those of the portable loops (the *_portable functions).
#pragma once

#include "basop/basop.h"

// Largest L_abs(x[i]) over i < n (0 for n = 0); MIN_32 counts as MAX_32.
Word32 block_peak_magnitude(const Word32 *x, int n);
Word32 block_peak_magnitude_portable(const Word32 *x, int n);

// x[i] = L_shl(x[i], shift) for i < n.
void block_shl(Word32 *x, int n, Word16 shift);
void block_shl_portable(Word32 *x, int n, Word16 shift);

// block_shl, also writing the shifted values to copy[0 .. n-1] (which must
// not overlap x).
void block_shl_copy(Word32 *x, int n, Word16 shift, Word32 *copy);
void block_shl_copy_portable(Word32 *x, int n, Word16 shift, Word32 *copy);

// x[i] = L_shr(x[i], shift) for i < n.
void block_shr(Word32 *x, int n, Word16 shift);
void block_shr_portable(Word32 *x, int n, Word16 shift);

// AVX2 variants; only when g719_cpu_has_avx2().
Word32 block_peak_magnitude_avx2(const Word32 *x, int n);
void block_shl_avx2(Word32 *x, int n, Word16 shift);
void block_shl_copy_avx2(Word32 *x, int n, Word16 shift, Word32 *copy);
