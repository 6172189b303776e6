// Energy of one 240-sample sub-block of the transient detector: the sum of
// L_mult(y[i], y[i]) over the block, accumulated with the carry arithmetic
// (L_macNs), every overflow of the low part moving into the high part, kept
// exactly as hi * 2^31 + lo with lo in [0, 2^31). Both twins leave Overflow
// and Carry 0, as the carry accumulation does.
#pragma once

#include "basop/basop.h"

struct SubblockEnergy {
  Word32 hi;
  Word32 lo;
};

SubblockEnergy subblock_energy(const Word16 *y, int n);
SubblockEnergy subblock_energy_avx2(const Word16 *y, int n);
