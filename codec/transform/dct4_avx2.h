// AVX2 variant of the 960-point DCT-IV. It gives exactly the results of
// dct4_960_portable (output, the overwritten input and the Overflow flag);
// callers reach it through dct4_960, which picks it when the processor
// supports AVX2.
#pragma once

#include "basop/basop.h"

// Same contract as dct4_960. Must only be called when g719_cpu_has_avx2().
void dct4_960_avx2(Word32 *input, Word32 *output);

// Four 240-point DCT-IVs: dct4_240 of input[240b .. 240b + 239] into
// output[240b .. 240b + 239] for b = 0..3, with the four transforms side by
// side in the registers. Same results as four dct4_240 calls. Must only be
// called when g719_cpu_has_avx2(); input and output must not overlap.
void dct4_240_x4_avx2(const Word32 *input, Word32 *output);
