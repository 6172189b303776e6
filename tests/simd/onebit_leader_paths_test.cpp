// The one-bit leader search from sums against the saturating one: the same
// leader for every sorted input within the bound (the bound is what makes
// the sums exact), and nearest_onebit_leader takes the saturating search
// beyond it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "spectral_enc/onebit_quantizer.h"

namespace {

void sort_descending(Word16 *v) { std::sort(v, v + 8, std::greater<Word16>()); }

TEST(OnebitLeaderPaths, SumsSearchEqualsSaturatingWithinTheBound) {
  std::mt19937 rng(8);
  int leaders_seen = 0;
  bool seen[10] = {};
  for (int span : {300, 600, 2000, 15000}) {
    std::uniform_int_distribution<int> d(-span, span);
    for (int trial = 0; trial < 20000; ++trial) {
      Word16 y[8];
      for (Word16 &v : y) v = static_cast<Word16>(d(rng));
      sort_descending(y);
      Overflow = 0;
      const int want = nearest_onebit_leader_saturating(y);
      ASSERT_EQ(Overflow, 0) << "a saturating step inside the bound";
      ASSERT_EQ(nearest_onebit_leader_sums(y), want);
      ASSERT_EQ(nearest_onebit_leader(y), want);
      if (!seen[want]) {
        seen[want] = true;
        ++leaders_seen;
      }
    }
  }
  EXPECT_EQ(leaders_seen, 10);  // every leader wins somewhere

  // The corners of the bound, where the distances come closest to 2^31.
  for (Word16 a : {kOnebitPlainBound, static_cast<Word16>(-kOnebitPlainBound)}) {
    for (Word16 b : {kOnebitPlainBound, static_cast<Word16>(-kOnebitPlainBound), Word16{0}}) {
      Word16 y[8] = {a, a, a, a, b, b, b, b};
      sort_descending(y);
      Overflow = 0;
      EXPECT_EQ(nearest_onebit_leader_sums(y), nearest_onebit_leader_saturating(y));
      EXPECT_EQ(Overflow, 0);
    }
  }
}

TEST(OnebitLeaderPaths, BeyondTheBoundTheSaturatingSearchDecides) {
  // Full-scale inputs saturate the distances; the sums must not be used
  // there.
  Word16 y[8] = {MAX_16, MAX_16, MAX_16, MAX_16, MIN_16, MIN_16, MIN_16, MIN_16};
  Overflow = 0;
  const int want = nearest_onebit_leader_saturating(y);
  EXPECT_EQ(Overflow, 1);
  Overflow = 0;
  EXPECT_EQ(nearest_onebit_leader(y), want);
  EXPECT_EQ(Overflow, 1);
  Overflow = 0;
  Word16 just_over[8] = {static_cast<Word16>(kOnebitPlainBound + 1), 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(nearest_onebit_leader(just_over), nearest_onebit_leader_saturating(just_over));
}

}  // namespace
