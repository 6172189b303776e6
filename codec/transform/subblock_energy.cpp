#include "transform/subblock_energy.h"

#include <cstdint>

// Why the exact sum gives the same result: every product L_mult(y, y) is
// non-negative (2 y^2, or MAX_32 for y = -32768, whose Overflow the next
// L_add_c overwrites), and lo stays in [0, 2^31). L_add_c of two
// non-negative values with Carry 0 is the wrapping sum, sets Overflow
// exactly when it wraps and leaves Carry 0, so Carry never becomes 1; on a
// wrap, lo & MAX_32 is the sum minus 2^31 and hi gains one. hi * 2^31 + lo
// is therefore the exact sum at every step; hi (at most n) never saturates.
// The last L_add_c's Overflow is either 0 or cleared, so both flags end 0.
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
