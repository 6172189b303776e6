// The AVX2 band energy against the portable L_mac0 loop: the same energy and
// Overflow flag for every band width, for shifts that saturate the samples
// and for sums that saturate the energy.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "frame/cpu_dispatch.h"
#include "spectral_enc/band_energy.h"

namespace {

class BandEnergyAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_cpu_has_avx2()) GTEST_SKIP() << "processor without AVX2";
  }
};

void expect_same_energy(const std::vector<Word32> &c, Word16 shift) {
  const Word16 width = static_cast<Word16>(c.size());
  Overflow = 0;
  const Word32 want = band_energy_portable(c.data(), width, shift);
  const Flag want_flag = Overflow;
  Overflow = 0;
  const Word32 got = band_energy_avx2(c.data(), width, shift);
  const Flag got_flag = Overflow;
  Overflow = 0;
  ASSERT_EQ(got, want) << "width " << width << ", shift " << shift;
  ASSERT_EQ(got_flag, want_flag) << "width " << width << ", shift " << shift;
}

TEST_F(BandEnergyAvx2, MatchesPortableForEveryWidthAndShift) {
  std::mt19937 rng(44);
  for (int width : {8, 16, 24, 32, 13, 1}) {
    for (int bits : {2, 10, 20, 28, 32}) {
      const std::int64_t span = std::int64_t{1} << (bits - 1);
      std::uniform_int_distribution<std::int64_t> d(-span, span - 1);
      std::vector<Word32> c(width);
      for (Word32 &v : c) v = static_cast<Word32>(d(rng));
      for (int shift = -40; shift <= 40; ++shift) expect_same_energy(c, static_cast<Word16>(shift));
      expect_same_energy(c, MIN_16);
      expect_same_energy(c, MAX_16);
    }
  }
}

TEST_F(BandEnergyAvx2, SaturatedEnergyMatchesPortable) {
  // Eight samples of -2^30: squares of -16384 sum to exactly 2^31, one more
  // than MAX_32, so the energy saturates.
  expect_same_energy(std::vector<Word32>(8, -(Word32{1} << 30)), 0);
  Overflow = 0;
  EXPECT_EQ(band_energy_avx2(std::vector<Word32>(8, -(Word32{1} << 30)).data(), 8, 0), MAX_32);
  EXPECT_EQ(Overflow, 1);
  Overflow = 0;
  // Seven of them and a zero stay just below.
  std::vector<Word32> seven(8, -(Word32{1} << 30));
  seven[5] = 0;
  expect_same_energy(seven, 0);
  for (Word32 v : {MIN_32, MAX_32, Word32{-1}, Word32{0x7FFF0000}}) {
    for (int width : {8, 32, 9}) expect_same_energy(std::vector<Word32>(width, v), 0);
  }
}

}  // namespace
