// AVX2 variant of the scaled, windowed overlap-add. It gives exactly the
// samples, history and Overflow flag of g719_scaled_overlap_add_portable;
// callers reach it through g719_scaled_overlap_add or g719_overlap_add,
// which pick it when the processor supports AVX2.
#pragma once

#include "basop/basop.h"

// Same contract as g719_scaled_overlap_add. Only when g719_cpu_has_avx2().
void g719_scaled_overlap_add_avx2(const Word32 *aliased, Word16 shift, Word16 *samples, Word32 *history);

// g719_scaled_overlap_add_avx2 with shift 0.
void g719_overlap_add_avx2(const Word32 *aliased, Word16 *samples, Word32 *history);
