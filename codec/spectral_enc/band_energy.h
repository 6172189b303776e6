// Energy of one band for the norm computation: the sum of y * y over the
// band, y = extract_h(L_shl(c, shift)), accumulated with L_mac0. Runs the
// AVX2 variant when it is active (frame/cpu_dispatch.h); both give the
// result and Overflow flag of the portable loop.
#pragma once

#include "basop/basop.h"

Word32 band_energy(const Word32 *coefficients, Word16 width, Word16 shift);

// The portable loop, the reference of every variant.
Word32 band_energy_portable(const Word32 *coefficients, Word16 width, Word16 shift);

// AVX2 variant; only when g719_cpu_has_avx2().
Word32 band_energy_avx2(const Word32 *coefficients, Word16 width, Word16 shift);
