// The AVX2 scaling by band norms against the portable loop: the same 800
// coefficients and Overflow flag for every norm index (the coded range and
// the values a corrupt stream could leave), on random and full-scale
// normalized spectra.
#include <gtest/gtest.h>

#include <random>

#include "frame/cpu_dispatch.h"
#include "spectral_dec/norm_scaling.h"

namespace {

class NormScalingAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_cpu_has_avx2()) GTEST_SKIP() << "processor without AVX2";
  }
};

void expect_same_scaling(const Word16 *normalized, const Word16 *indices) {
  Word32 want[960], got[960];
  for (int i = 0; i < 960; ++i) want[i] = got[i] = 0x5A5A5A5A;  // 800..959 stay untouched
  Overflow = 0;
  scale_by_norms_portable(normalized, want, indices);
  const Flag want_flag = Overflow;
  Overflow = 0;
  scale_by_norms_avx2(normalized, got, indices);
  const Flag got_flag = Overflow;
  Overflow = 0;
  for (int k = 0; k < 960; ++k) ASSERT_EQ(got[k], want[k]) << "coefficient " << k;
  EXPECT_EQ(got_flag, want_flag);
}

TEST_F(NormScalingAvx2, MatchesPortableForEveryIndex) {
  std::mt19937 rng(800);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  Word16 normalized[800];
  Word16 indices[44];
  // Each pass gives every band the same index, from below the coded range
  // (left shifts that saturate) to far above it.
  for (int index = -8; index <= 80; ++index) {
    for (Word16 &v : normalized) v = static_cast<Word16>(sample(rng));
    for (Word16 &i : indices) i = static_cast<Word16>(index);
    expect_same_scaling(normalized, indices);
  }
  std::uniform_int_distribution<int> coded(0, 39);
  for (int trial = 0; trial < 200; ++trial) {
    for (Word16 &v : normalized) v = static_cast<Word16>(sample(rng) >> (trial % 16));
    for (Word16 &i : indices) i = static_cast<Word16>(coded(rng));
    expect_same_scaling(normalized, indices);
  }
  for (Word16 extreme : {MIN_16, MAX_16, Word16{-1}}) {
    for (Word16 &v : normalized) v = extreme;
    for (int index : {0, 1, 2, 3, 39, int{MIN_16}, int{MAX_16}}) {
      for (Word16 &i : indices) i = static_cast<Word16>(index);
      expect_same_scaling(normalized, indices);
    }
  }
}

}  // namespace
