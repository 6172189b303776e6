#include "transform/subblock_energy.h"

#include <cstdint>

// Every product L_mult(y, y) is non-negative: 2 y^2, or MAX_32 for
// y = -32768. The sum of n products is below n * 2^31, so hi (at most n)
// needs no saturation. The flags end as they would after adding the products
// one by one into lo with L_add_c, moving each wrap into hi: with
// non-negative operands and Carry 0 that addition leaves Carry 0, and its
// Overflow, set only on a wrap, is cleared as the wrap is moved.
SubblockEnergy subblock_energy(const Word16 *y, int n) {
  std::int64_t sum = 0;
  for (int i = 0; i < n; ++i) {
    const std::int32_t p = y[i] == MIN_16 ? MAX_32 : 2 * y[i] * y[i];
    sum += p;
  }
  Overflow = 0;
  Carry = 0;
  return {static_cast<Word32>(sum >> 31), static_cast<Word32>(sum & MAX_32)};
}
