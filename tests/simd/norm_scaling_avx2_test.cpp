// The AVX2 scaling by band norms against the portable loop: the same 800
// coefficients and Overflow flag for every norm index (the coded range and
// the values a corrupt stream could leave), on random and full-scale
// normalized spectra; and the same peak magnitude, which is that of the
// block scaling over the 800 coefficients, with the peak in every lane.
#include <gtest/gtest.h>

#include <random>

#include "frame/block_scaling.h"
#include "frame/kernel_sets.h"
#include "spectral_dec/norm_scaling.h"

namespace {

class NormScalingAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  }
};

void expect_same_scaling(const Word16 *normalized, const Word16 *indices) {
  Word32 want[960], got[960];
  for (int i = 0; i < 960; ++i) want[i] = got[i] = 0x5A5A5A5A;  // 800..959 stay untouched
  Overflow = 0;
  const Word32 want_peak = scale_by_norms(normalized, want, indices);
  const Flag want_flag = Overflow;
  Overflow = 0;
  const Word32 got_peak = scale_by_norms_avx2(normalized, got, indices);
  const Flag got_flag = Overflow;
  Overflow = 0;
  for (int k = 0; k < 960; ++k) ASSERT_EQ(got[k], want[k]) << "coefficient " << k;
  EXPECT_EQ(got_flag, want_flag);
  EXPECT_EQ(want_peak, block_peak_magnitude(want, 800));
  EXPECT_EQ(got_peak, want_peak);
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

TEST_F(NormScalingAvx2, PeakFoundInEveryPosition) {
  std::mt19937 rng(801);
  std::uniform_int_distribution<int> small(-300, 300);
  Word16 normalized[800];
  Word16 indices[44];
  for (int position = 0; position < 800; position += 7) {
    for (Word16 &v : normalized) v = static_cast<Word16>(small(rng));
    for (Word16 &i : indices) i = static_cast<Word16>(rng() % 40);
    normalized[position] = position % 2 == 0 ? Word16{20000} : Word16{-20000};
    indices[0] = 0;  // band 0 at the largest norm too
    expect_same_scaling(normalized, indices);
    if (HasFailure()) return;
  }
}

}  // namespace
