// AVX2 variant of the windowed overlap-add. It gives exactly the samples,
// history and Overflow flag of g719_overlap_add_portable; callers reach it
// through g719_overlap_add, which picks it when the processor supports AVX2.
#pragma once

#include "basop/basop.h"

// Same contract as g719_overlap_add. Only when g719_cpu_has_avx2().
void g719_overlap_add_avx2(const Word32 *aliased, Word16 *samples, Word32 *history);
