// The transient detector's sub-block energy from the exact 64-bit sum
// against the carry-arithmetic accumulation it replaces: the same high and
// low parts and the same final flags, on quiet, loud and full-scale blocks
// (many low-part overflows, and the saturating square of -32768).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "operator_references.h"
#include "transform/subblock_energy.h"

namespace {

void expect_same_energy(const std::vector<Word16> &y, const char *what) {
  for (const Flag before : {0, 1}) {
    Overflow = before;
    Carry = before;
    const SubblockEnergy want = subblock_energy_carry(y.data(), static_cast<int>(y.size()));
    const Flag want_overflow = Overflow, want_carry = Carry;
    Overflow = before;
    Carry = before;
    const SubblockEnergy got = subblock_energy(y.data(), static_cast<int>(y.size()));
    EXPECT_EQ(got.hi, want.hi) << what;
    EXPECT_EQ(got.lo, want.lo) << what;
    EXPECT_EQ(Overflow, want_overflow) << what;
    EXPECT_EQ(Carry, want_carry) << what;
  }
  Overflow = 0;
  Carry = 0;
}

TEST(SubblockEnergy, ExactSumEqualsCarryAccumulation) {
  std::mt19937 rng(240);
  for (int amplitude : {1, 100, 3000, 16384, 32767}) {
    std::uniform_int_distribution<int> d(-amplitude, amplitude);
    for (int trial = 0; trial < 50; ++trial) {
      std::vector<Word16> y(240);
      for (Word16 &v : y) v = static_cast<Word16>(d(rng));
      expect_same_energy(y, "random");
    }
  }
  expect_same_energy(std::vector<Word16>(240, MIN_16), "all -32768");
  expect_same_energy(std::vector<Word16>(240, MAX_16), "all 32767");
  expect_same_energy(std::vector<Word16>(240, 0), "silence");
  std::vector<Word16> alternating(240);
  for (int i = 0; i < 240; ++i) alternating[i] = (i % 3 == 0) ? MIN_16 : (i % 3 == 1 ? MAX_16 : 23170);
  expect_same_energy(alternating, "alternating extremes");
  // The energy of 240 full-scale samples needs the high part.
  const SubblockEnergy loud = subblock_energy(std::vector<Word16>(240, MIN_16).data(), 240);
  EXPECT_EQ(loud.hi, 239);
  EXPECT_EQ(static_cast<std::int64_t>(loud.hi) * 2147483648LL + loud.lo, 240LL * MAX_32);
}

}  // namespace
