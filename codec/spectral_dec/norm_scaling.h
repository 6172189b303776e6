// Scaling of the normalized spectrum by the band norms: every band of the
// 800 coded coefficients becomes coefficients[k] = L_shl(v, 2 - index/2)
// with v = L_mult(normalized[k], 16384) for an even norm index and
// L_mult0(normalized[k], 23170) for an odd one. Each twin returns the largest
// magnitude of the 800 coefficients as block_peak_magnitude gives it
// (frame/block_scaling.h): the largest L_abs, MIN_32 counting as MAX_32. The
// AVX2 twin gives the values and Overflow flag of the portable loop, eight
// coefficients per step.
#pragma once

#include "basop/basop.h"

Word32 scale_by_norms(const Word16 *normalized, Word32 *coefficients, const Word16 *norm_indices);
Word32 scale_by_norms_avx2(const Word16 *normalized, Word32 *coefficients, const Word16 *norm_indices);
