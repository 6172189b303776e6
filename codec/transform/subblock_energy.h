// Energy of one 240-sample sub-block of the transient detector: the sum of
// L_mult(y[i], y[i]) over the block, kept exactly as hi * 2^31 + lo with lo
// in [0, 2^31).
#pragma once

#include "basop/basop.h"

struct SubblockEnergy {
  Word32 hi;
  Word32 lo;
};

// The sum accumulated with the carry arithmetic (L_macNs), moving every
// overflow of the low part into the high part. Clears Overflow and Carry
// first and leaves both 0.
SubblockEnergy subblock_energy_carry(const Word16 *y, int n);

// The same energy from the exact sum in 64 bits; leaves Overflow and Carry
// 0 like the carry version.
SubblockEnergy subblock_energy(const Word16 *y, int n);
