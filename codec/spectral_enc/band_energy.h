// Energy of one band for the norm computation: the sum of y * y over the
// band, y = extract_h(L_shl(c, shift)), accumulated with L_mac0.
#pragma once

#include "basop/basop.h"

Word32 band_energy(const Word32 *coefficients, Word16 width, Word16 shift);
