// The bit allocation's priority search: the plain and AVX2 searches give the
// first position of the highest priority exactly as the basic-operator loop
// does, for every window and with many ties, while the priorities stay in
// the plain bound; MIN_16 entries (served bands) take the operator loop.
#include <gtest/gtest.h>

#include <random>

#include "frame/cpu_dispatch.h"
#include "spectral_enc/priority_search.h"

namespace {

TEST(PrioritySearch, PlainAndVectorSearchesEqualTheOperatorLoop) {
  std::mt19937 rng(44);
  for (int range : {2, 5, 40, int{kPrioritySearchPlainBound}}) {
    std::uniform_int_distribution<int> d(-range, range);
    for (int trial = 0; trial < 2000; ++trial) {
      Word16 work[kPriorityWorkSize];
      for (Word16 &v : work) v = static_cast<Word16>(d(rng));
      for (Word16 top = 0; top < 44; ++top) {
        Overflow = 0;
        const Word16 want = first_max_position_saturating(work, top);
        ASSERT_EQ(Overflow, 0);
        ASSERT_EQ(first_max_position_plain(work, top), want) << "top " << top;
        if (g719_cpu_has_avx2()) {
          ASSERT_EQ(first_max_position_avx2(work, top), want) << "top " << top;
        }
        ASSERT_EQ(first_max_position(work, top), want) << "top " << top;
      }
    }
  }
  // Entries beyond the window never win, even when they are the largest.
  Word16 work[kPriorityWorkSize];
  for (int i = 0; i < kPriorityWorkSize; ++i) work[i] = static_cast<Word16>(i);
  EXPECT_EQ(first_max_position(work, 5), 5);
  EXPECT_EQ(first_max_position(work, 0), 0);
  for (Word16 &v : work) v = 7;
  EXPECT_EQ(first_max_position(work, 43), 0);  // ties keep the first
}

TEST(PrioritySearch, ServedBandsSaturateTheOperatorComparison) {
  // A served band (MIN_16) after a positive priority makes sub saturate;
  // this is why the allocation leaves the plain search once a band is full.
  Word16 work[kPriorityWorkSize];
  for (Word16 &v : work) v = MIN_16;
  work[0] = 12;
  work[2] = 30;
  Overflow = 0;
  EXPECT_EQ(first_max_position_saturating(work, 3), 2);
  EXPECT_EQ(Overflow, 1);
  Overflow = 0;
}

}  // namespace
