// The plain-arithmetic nearest-D8-point search against the one written with
// the basic operators: the same point at every resolution for inputs within
// the bound (ties and odd sums included), and full-scale inputs, where the
// operators saturate, still go through the saturating search.
#include <gtest/gtest.h>

#include <random>

#include "spectral_enc/d8_nearest_paths.h"
#include "spectral_enc/lattice.h"
#include "spectral_enc/lattice_tables.h"

namespace {

void expect_same_point(const Word16 *y, Word16 R) {
  Word16 want[8], plain[8], chosen[8];
  Overflow = 0;
  d8_nearest_point_saturating(y, want, R);
  ASSERT_EQ(Overflow, 0) << "a saturating step inside the bound, R = " << R;
  d8_nearest_point_plain(y, plain, R);
  d8_nearest_point(y, chosen, R);
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(plain[i], want[i]) << "R = " << R << ", component " << i;
    ASSERT_EQ(chosen[i], want[i]) << "R = " << R << ", component " << i;
  }
}

TEST(D8NearestPaths, PlainSearchEqualsSaturatingWithinTheBound) {
  std::mt19937 rng(30000);
  for (Word16 R = 2; R <= kLatticeMaxBits; ++R) {
    const int s = lattice_shift_table[R];
    std::uniform_int_distribution<int> any(-kD8PlainBound, kD8PlainBound);
    std::uniform_int_distribution<int> unit(-(kD8PlainBound >> s) + 1, (kD8PlainBound >> s) - 1);
    std::uniform_int_distribution<int> offset(-2, 2);
    for (int trial = 0; trial < 4000; ++trial) {
      Word16 y[8];
      for (Word16 &v : y) v = static_cast<Word16>(any(rng));
      expect_same_point(y, R);
      // Components on and next to the half-way points between lattice units,
      // where the rounding rule and the odd-sum correction decide.
      for (Word16 &v : y) v = static_cast<Word16>(unit(rng) * (1 << s) + (1 << (s - 1)) * (trial & 1) + offset(rng));
      expect_same_point(y, R);
    }
    Word16 edge[8] = {kD8PlainBound, static_cast<Word16>(-kD8PlainBound), kD8PlainBound, 0, 0, 0, 0, 1};
    expect_same_point(edge, R);
  }
}

TEST(D8NearestPaths, FullScaleInputTakesTheSaturatingSearch) {
  for (Word16 R = 2; R <= kLatticeMaxBits; ++R) {
    Word16 y[8] = {MAX_16, MAX_16, MAX_16, MIN_16, 0, 0, 0, 1};
    Word16 want[8], got[8];
    Overflow = 0;
    d8_nearest_point_saturating(y, want, R);
    const Flag want_flag = Overflow;
    Overflow = 0;
    d8_nearest_point(y, got, R);
    EXPECT_EQ(Overflow, want_flag) << "R = " << R;
    Overflow = 0;
    for (int i = 0; i < 8; ++i) EXPECT_EQ(got[i], want[i]) << "R = " << R << ", component " << i;
  }
}

}  // namespace
