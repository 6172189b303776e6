// The priority search of the band sort and the bit allocation: the portable
// and AVX2 window maxima against a direct computation, for every window, with
// many ties and over the whole 16-bit range (served bands hold MIN_16); and
// the lowest position they report is the position the allocation's original
// operator loop picks, whose comparisons saturate on such ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "frame/kernel_sets.h"
#include "operator_references.h"
#include "spectral_enc/priority_search.h"

namespace {

void expect_window_max_paths(const Word16 *work) {
  for (int first = 0; first < kPriorityWorkSize; ++first) {
    for (int last = first; last < kPriorityWorkSize; ++last) {
      const Word16 value = *std::max_element(work + first, work + last + 1);
      std::uint64_t positions = 0;
      for (int j = first; j <= last; ++j) {
        if (work[j] == value) positions |= std::uint64_t{1} << j;
      }
      const WindowMax plain = window_max(work, first, last);
      ASSERT_EQ(plain.value, value) << first << ".." << last;
      ASSERT_EQ(plain.positions, positions) << first << ".." << last;
      if (g719_kernel_set_supported(KernelSet::kAvx2)) {
        const WindowMax avx2 = window_max_avx2(work, first, last);
        ASSERT_EQ(avx2.value, value) << first << ".." << last;
        ASSERT_EQ(avx2.positions, positions) << first << ".." << last;
      }
      if (first == 0 && last < 44) {
        ASSERT_EQ(__builtin_ctzll(positions), first_max_position_saturating(work, static_cast<Word16>(last)))
            << "top " << last;
      }
    }
  }
}

TEST(PrioritySearch, WindowMaximumAndItsPositionsOnEveryPath) {
  std::mt19937 rng(44);
  for (int range : {2, 5, 40, 16383, 32767}) {
    std::uniform_int_distribution<int> d(-range, range);
    for (int trial = 0; trial < 60; ++trial) {
      Word16 work[kPriorityWorkSize];
      for (Word16 &v : work) v = static_cast<Word16>(d(rng));
      // Sprinkle the extremes: served bands (MIN_16) and MAX_16, which make
      // the operator loop saturate.
      for (Word16 &v : work) {
        const unsigned r = rng() % 16;
        if (r == 0) v = MIN_16;
        if (r == 1) v = MAX_16;
      }
      expect_window_max_paths(work);
    }
  }
  Word16 work[kPriorityWorkSize];
  for (int i = 0; i < kPriorityWorkSize; ++i) work[i] = static_cast<Word16>(i);
  expect_window_max_paths(work);  // the largest entries lie beyond most windows
  for (Word16 &v : work) v = 7;
  expect_window_max_paths(work);  // one tie across every window
  for (Word16 &v : work) v = MIN_16;
  expect_window_max_paths(work);  // positions outside must not join a MIN_16 maximum
  work[47] = MAX_16;
  work[0] = MAX_16;
  expect_window_max_paths(work);
}

TEST(PrioritySearch, SaturatingComparisonsOnlySetTheFlag) {
  // A served band (MIN_16) after a positive priority makes sub saturate and
  // set Overflow; the plain search still finds the same position.
  Word16 work[kPriorityWorkSize];
  for (Word16 &v : work) v = MIN_16;
  work[0] = 12;
  work[2] = 30;
  work[5] = MAX_16;
  Overflow = 0;
  EXPECT_EQ(first_max_position_saturating(work, 3), 2);
  EXPECT_EQ(Overflow, 1);
  Overflow = 0;
  EXPECT_EQ(window_max(work, 0, 3).positions, std::uint64_t{1} << 2);
  EXPECT_EQ(first_max_position_saturating(work, 43), 5);
  EXPECT_EQ(window_max(work, 0, 43).positions, std::uint64_t{1} << 5);
  Overflow = 0;
}

}  // namespace
