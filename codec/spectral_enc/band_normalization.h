// The two ways normalize_band_coefficients (coefficient_coding.h) runs: the
// portable loop, the reference, and its AVX2 variant, which gives the same
// normalized values, rescaled coefficients and Overflow flag.
// normalize_band_coefficients picks the AVX2 one when it is active
// (frame/cpu_dispatch.h) and the band width is a multiple of 8.
#pragma once

#include "basop/basop.h"

void normalize_band_coefficients_portable(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                          Word16 end_band, Word16 width, Word16 *out);

// Only when g719_cpu_has_avx2() and width is a positive multiple of 8.
void normalize_band_coefficients_avx2(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                      Word16 end_band, Word16 width, Word16 *out);
