// AVX2 variant of the 960-point DCT-IV. It gives exactly the results of
// dct4_960_portable (output, the overwritten input and the Overflow flag);
// callers reach it through dct4_960, which picks it when the processor
// supports AVX2.
#pragma once

#include "basop/basop.h"

// Same contract as dct4_960. Must only be called when g719_cpu_has_avx2().
void dct4_960_avx2(Word32 *input, Word32 *output);
