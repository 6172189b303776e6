// Energy of one 240-sample sub-block of the transient detector: the sum of
// L_mult(y[i], y[i]) over the block, summed exactly in 64 bits and returned
// as hi * 2^31 + lo with lo in [0, 2^31). Both twins set Overflow and Carry
// to 0.
#pragma once

#include "basop/basop.h"

struct SubblockEnergy {
  Word32 hi;
  Word32 lo;
};

SubblockEnergy subblock_energy(const Word16 *y, int n);
SubblockEnergy subblock_energy_avx2(const Word16 *y, int n);
