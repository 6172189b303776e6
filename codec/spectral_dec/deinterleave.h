// De-interleaving of a transient frame's spectrum into four short spectra.
#pragma once

#include "basop/basop.h"

// coefficients: Word32[960], in place. On entry 0..799 hold the four short
// spectra interleaved in band order (800..959 are not read). On exit entries
// 240*j .. 240*j + 239 hold short block j: its 200 coded coefficients
// followed by 40 zeros. A pure permutation of the 800 values.
void deinterleave_transient_spectrum(Word32 *coefficients);
