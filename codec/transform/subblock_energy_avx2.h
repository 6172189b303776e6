// The transient detector's sub-block energy (transform/subblock_energy.h)
// with AVX2: the same high and low parts, Overflow and Carry left 0. Only
// when g719_cpu_has_avx2().
#pragma once

#include "transform/subblock_energy.h"

SubblockEnergy subblock_energy_avx2(const Word16 *y, int n);
