// Scaling of the normalized spectrum by the band norms: every band of the
// 800 coded coefficients becomes coefficients[k] = L_shl(v, 2 - index/2)
// with v = L_mult(normalized[k], 16384) for an even norm index and
// L_mult0(normalized[k], 23170) for an odd one. Runs the AVX2 variant when
// it is active (frame/cpu_dispatch.h); both give the values and Overflow
// flag of the portable loop. Each returns the largest magnitude of the 800
// coefficients as block_peak_magnitude gives it (frame/block_scaling.h):
// the largest L_abs, MIN_32 counting as MAX_32.
#pragma once

#include "basop/basop.h"

Word32 scale_by_norms(const Word16 *normalized, Word32 *coefficients, const Word16 *norm_indices);

// The portable loop, the reference of every variant.
Word32 scale_by_norms_portable(const Word16 *normalized, Word32 *coefficients, const Word16 *norm_indices);

// AVX2 variant; only when g719_cpu_has_avx2().
Word32 scale_by_norms_avx2(const Word16 *normalized, Word32 *coefficients, const Word16 *norm_indices);
