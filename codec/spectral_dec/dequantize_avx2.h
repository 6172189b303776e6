// The dequantization of a band group with AVX2: the same normalized
// coefficients and Overflow flag as dequantize_band_group_portable
// (coefficient_decoding.h) for any indices, allocations and widths;
// callers reach it through dequantize_band_group, which picks it when
// g719_avx2_active().
//
// Each vector of a band with 2..9 bits per coefficient goes from its index
// to its codebook point and on to its scaled coefficients in one register,
// the whole band in one loop; one-bit vectors are copied from a table of the
// scaled one-bit codebook. Bands with other allocations, vectors with an
// index component outside 0..2^R-1 and groups with widths outside 0..255
// take the portable steps.
#pragma once

#include "basop/basop.h"

// Same contract as dequantize_band_group. Only when g719_cpu_has_avx2().
void dequantize_band_group_avx2(const Word16 *index, const Word16 *allocation, Word16 first_band, Word16 end_band,
                                Word16 width, Word16 *normalized);

// The scaled one-bit codebook: row j (8 coefficients) is add(mult(shl(c,
// 8), 29789), 4) of the components c of onebit_codebook's vector j, or null
// when building a row saturated (the codebook's components are within +-2,
// so it never does). Portable; built on first use.
const Word16 *scaled_onebit_codebook();
