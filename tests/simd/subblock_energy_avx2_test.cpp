// The AVX2 sub-block energy against the carry-arithmetic accumulation: the
// same high and low parts and the same final flags (both 0, whatever they
// were before), on blocks of the detector's length and on lengths with a
// scalar tail, with -32768 (whose square saturates) at every lane position.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "frame/kernel_sets.h"
#include "operator_references.h"
#include "transform/subblock_energy.h"

namespace {

class SubblockEnergyAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  }
};

void expect_same_energy(const std::vector<Word16> &y, const char *what) {
  for (const Flag before : {0, 1}) {
    Overflow = before;
    Carry = before;
    const SubblockEnergy want = subblock_energy_carry(y.data(), static_cast<int>(y.size()));
    const Flag want_overflow = Overflow, want_carry = Carry;
    Overflow = before;
    Carry = before;
    const SubblockEnergy got = subblock_energy_avx2(y.data(), static_cast<int>(y.size()));
    ASSERT_EQ(got.hi, want.hi) << what << ", length " << y.size();
    ASSERT_EQ(got.lo, want.lo) << what << ", length " << y.size();
    ASSERT_EQ(Overflow, want_overflow) << what;
    ASSERT_EQ(Carry, want_carry) << what;
  }
  Overflow = 0;
  Carry = 0;
}

TEST_F(SubblockEnergyAvx2, RandomBlocksOfEveryAmplitude) {
  std::mt19937 rng(16);
  for (int length : {240, 0, 1, 15, 16, 17, 239, 241, 960}) {
    for (int amplitude : {1, 100, 3000, 16384, 32767, 32768}) {
      std::uniform_int_distribution<int> d(-amplitude, amplitude - 1);
      for (int trial = 0; trial < 20; ++trial) {
        std::vector<Word16> y(length);
        for (Word16 &v : y) v = static_cast<Word16>(d(rng));
        expect_same_energy(y, "random");
      }
    }
  }
}

TEST_F(SubblockEnergyAvx2, FullScaleBlocks) {
  for (int length : {240, 250}) {
    expect_same_energy(std::vector<Word16>(length, MIN_16), "all -32768");
    expect_same_energy(std::vector<Word16>(length, MAX_16), "all 32767");
    expect_same_energy(std::vector<Word16>(length, static_cast<Word16>(MIN_16 + 1)), "all -32767");
    expect_same_energy(std::vector<Word16>(length, 0), "silence");
    for (int at = 0; at < 32; ++at) {
      std::vector<Word16> y(length, 23170);
      y[at] = MIN_16;
      y[length - 1 - at] = MIN_16;
      expect_same_energy(y, "-32768 at one lane");
    }
    std::vector<Word16> pairs(length);
    for (int i = 0; i < length; ++i) pairs[i] = (i / 2) % 2 == 0 ? MIN_16 : MAX_16;
    expect_same_energy(pairs, "pairs of -32768");
  }
}

}  // namespace
