// AVX2 variant of the inverse transform's unfolding of 960 values into the
// 1920 time-aliased values. Gives exactly the values and Overflow flag of
// unfold_aliased_portable (inverse_transform.h).
#pragma once

#include "basop/basop.h"

// Only when g719_cpu_has_avx2().
void unfold_aliased_avx2(const Word32 *v, Word32 *aliased);

// The long transform's halving and the unfolding in one pass: exactly
// block_shr(v, 960, 1) followed by unfold_aliased_avx2, with v left
// unchanged. Only when g719_cpu_has_avx2().
void unfold_halved_aliased_avx2(const Word32 *v, Word32 *aliased);
