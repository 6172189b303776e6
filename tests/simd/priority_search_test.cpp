// The bit allocation's priority search: the plain and AVX2 searches give the
// first position of the highest priority exactly as the basic-operator loop
// does, for every window, with many ties, and over the whole 16-bit range
// (served bands hold MIN_16), where the operator loop's comparisons saturate.
#include <gtest/gtest.h>

#include <random>

#include "frame/cpu_dispatch.h"
#include "spectral_enc/priority_search.h"

namespace {

void expect_searches_match(const Word16 *work) {
  for (Word16 top = 0; top < 44; ++top) {
    const Word16 want = first_max_position_saturating(work, top);
    ASSERT_EQ(first_max_position_plain(work, top), want) << "top " << top;
    if (g719_cpu_has_avx2()) {
      ASSERT_EQ(first_max_position_avx2(work, top), want) << "top " << top;
    }
    ASSERT_EQ(first_max_position(work, top), want) << "top " << top;
  }
}

TEST(PrioritySearch, PlainAndVectorSearchesEqualTheOperatorLoop) {
  std::mt19937 rng(44);
  for (int range : {2, 5, 40, 16383, 32767}) {
    std::uniform_int_distribution<int> d(-range, range);
    for (int trial = 0; trial < 2000; ++trial) {
      Word16 work[kPriorityWorkSize];
      for (Word16 &v : work) v = static_cast<Word16>(d(rng));
      // Sprinkle the extremes: served bands (MIN_16) and MAX_16, which make
      // the operator loop saturate.
      for (Word16 &v : work) {
        const unsigned r = rng() % 16;
        if (r == 0) v = MIN_16;
        if (r == 1) v = MAX_16;
      }
      expect_searches_match(work);
    }
  }
  // Entries beyond the window never win, even when they are the largest.
  Word16 work[kPriorityWorkSize];
  for (int i = 0; i < kPriorityWorkSize; ++i) work[i] = static_cast<Word16>(i);
  EXPECT_EQ(first_max_position(work, 5), 5);
  EXPECT_EQ(first_max_position(work, 0), 0);
  for (Word16 &v : work) v = 7;
  EXPECT_EQ(first_max_position(work, 43), 0);  // ties keep the first
  for (Word16 &v : work) v = MIN_16;
  expect_searches_match(work);
}

TEST(PrioritySearch, SaturatingComparisonsOnlySetTheFlag) {
  // A served band (MIN_16) after a positive priority makes sub saturate and
  // set Overflow; the position is still that of the plain search.
  Word16 work[kPriorityWorkSize];
  for (Word16 &v : work) v = MIN_16;
  work[0] = 12;
  work[2] = 30;
  work[5] = MAX_16;
  Overflow = 0;
  EXPECT_EQ(first_max_position_saturating(work, 3), 2);
  EXPECT_EQ(Overflow, 1);
  Overflow = 0;
  EXPECT_EQ(first_max_position(work, 3), 2);
  EXPECT_EQ(first_max_position_saturating(work, 43), 5);
  EXPECT_EQ(first_max_position(work, 43), 5);
  Overflow = 0;
}

}  // namespace
