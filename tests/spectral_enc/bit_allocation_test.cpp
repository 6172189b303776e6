// Allocation priorities, the band sort and the bit allocation itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "spectral_enc/band_tables.h"
#include "spectral_enc/bit_allocation.h"
#include "frame/kernel_sets.h"

namespace {

struct Allocation {
  Word16 priority[kNumBands];
  Word16 sorted[kNumBands];
  Word16 order[kNumBands];
  Word16 bits[kNumBands];
};

// Runs the three allocation steps in the order both drivers use.
Allocation run_allocation(const Word16 *levels, Word16 transient, Word16 nb, Word16 budget) {
  Allocation a{};
  compute_allocation_priorities(levels, a.priority, transient);
  std::copy(a.priority, a.priority + kNumBands, a.sorted);
  for (Word16 i = 0; i < kNumBands; ++i) a.order[i] = i < nb ? i : Word16{-1};
  sort_bands_by_priority<PortableKernels>(a.sorted, nb, a.order);
  for (Word16 &x : a.bits) x = 0;
  allocate_bits<PortableKernels>(a.sorted, a.order, budget, nb, kMaxBitsPerCoefficient, a.bits);
  return a;
}

int fixed_width_cost(const Word16 *bits) {
  int sum = 0;
  for (int b = 0; b < kNumBands; ++b) sum += bits[b] * band_width_table[b];
  return sum;
}

TEST(AllocationTables, PerceptualGroups) {
  const Word16 floors[20] = {8, 6, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 5, 7, 11};
  const Word16 offsets[20] = {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4, 4, 5, 5, 6, 6, 6, 7, 8};
  for (int j = 0; j < 20; ++j) {
    EXPECT_EQ(allocation_floor_table[j], floors[j]);
    EXPECT_EQ(allocation_offset_table[j], offsets[j]);
  }
  // Runs of bands per group: 0..9 single, then the listed runs.
  const int first_band[21] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 16, 18, 20, 24, 27, 30, 35, 44};
  for (int j = 0; j < 20; ++j) {
    for (int b = first_band[j]; b < first_band[j + 1]; ++b) EXPECT_EQ(allocation_group_of_band[b], j) << b;
  }
}

TEST(BitAllocation, StationaryFlatLevelsExample) {
  Word16 levels[kNumBands];
  for (Word16 &l : levels) l = 10;
  const Allocation a = run_allocation(levels, 0, 44, 900);

  for (int b = 0; b < kNumBands; ++b) {
    const Word16 expected = b == 0 ? 10 : b == 1 ? 11 : b <= 34 ? 12 : 11;
    EXPECT_EQ(a.priority[b], expected) << b;
  }
  std::vector<Word16> expected_order;
  for (Word16 b = 2; b <= 34; ++b) expected_order.push_back(b);
  expected_order.push_back(1);
  for (Word16 b = 35; b <= 43; ++b) expected_order.push_back(b);
  expected_order.push_back(0);
  EXPECT_EQ(std::vector<Word16>(a.order, a.order + 44), expected_order);

  for (int b = 0; b < kNumBands; ++b) {
    const Word16 expected = b == 0 ? 0 : b == 1 ? 1 : b <= 14 ? 2 : 1;
    EXPECT_EQ(a.bits[b], expected) << b;
  }
  EXPECT_EQ(fixed_width_cost(a.bits), 896);
  EXPECT_EQ(count_allocated_bits(a.bits, 44), 896);
}

TEST(BitAllocation, TransientFlatLevelsExample) {
  Word16 levels[kNumBands];
  for (Word16 &l : levels) l = 10;
  const Allocation a = run_allocation(levels, 1, 36, 600);

  for (int b = 0; b < kNumBands; ++b) {
    const Word16 expected = (b <= 3 || b >= 32) ? 11 : 12;
    EXPECT_EQ(a.priority[b], expected) << b;
  }
  for (int b = 0; b < kNumBands; ++b) {
    const Word16 expected = b <= 3 ? 1 : b <= 10 ? 2 : b <= 35 ? 1 : 0;
    EXPECT_EQ(a.bits[b], expected) << b;
  }
  EXPECT_EQ(count_allocated_bits(a.bits, 36), 600);
  // Unsorted tail of the order array is untouched.
  for (int i = 36; i < kNumBands; ++i) EXPECT_EQ(a.order[i], -1);
}

TEST(BandSort, EqualPrioritiesKeepOrderAndTiesPickEarliest) {
  Word16 priority[kNumBands], order[kNumBands];
  for (Word16 i = 0; i < kNumBands; ++i) {
    priority[i] = 7;
    order[i] = i;
  }
  sort_bands_by_priority<PortableKernels>(priority, 44, order);
  for (Word16 i = 0; i < kNumBands; ++i) EXPECT_EQ(order[i], i);

  // 5, 9, 9, 3: first pick is position 1 (earliest of the two 9s); the swap
  // then sends band 0 to position 1, where it later swaps with band 2.
  Word16 p[4] = {5, 9, 9, 3}, o[4] = {0, 1, 2, 3};
  sort_bands_by_priority<PortableKernels>(p, 4, o);
  EXPECT_EQ(std::vector<Word16>(o, o + 4), (std::vector<Word16>{1, 2, 0, 3}));
  EXPECT_EQ(std::vector<Word16>(p, p + 4), (std::vector<Word16>{9, 9, 5, 3}));
}

TEST(BitAllocation, TinyBudgetGivesNothing) {
  Word16 levels[kNumBands];
  for (int b = 0; b < kNumBands; ++b) levels[b] = static_cast<Word16>(20 - b % 7);
  for (Word16 budget : {Word16{-50}, Word16{0}, Word16{7}}) {
    const Allocation a = run_allocation(levels, 0, 44, budget);
    EXPECT_EQ(fixed_width_cost(a.bits), 0) << budget;
  }
  // Eight bits buy one bit per coefficient for the best band of width 8.
  Word16 priority[kNumBands] = {4, 4, 1}, order[kNumBands] = {6, 3, 20};
  Word16 bits[kNumBands] = {};
  allocate_bits<PortableKernels>(priority, order, 8, 3, 9, bits);
  EXPECT_EQ(bits[6], 1);
  EXPECT_EQ(fixed_width_cost(bits), 8);
}

TEST(BitAllocation, WideBandEndsGreedyPassAndLeftoversGoToNarrowBands) {
  const Word16 head[] = {40, 33, 20, 5, 17, 9};
  auto setup = [&](Word16 *priority, Word16 *order) {
    for (Word16 i = 0; i < kNumBands; ++i) {
      priority[i] = static_cast<Word16>(50 - i);
      order[i] = i;
    }
    // Head bands first; the rest stays a permutation.
    for (int i = 0; i < 6; ++i) std::swap(order[i], *std::find(order, order + kNumBands, head[i]));
  };
  Word16 priority[kNumBands], order[kNumBands], bits[kNumBands] = {};

  // Band 40 (32 wide) leads but only 24 bits are there: phase 1 stops at
  // once; 16 bits go to band 20, then 8 to band 5 (priority order).
  setup(priority, order);
  allocate_bits<PortableKernels>(priority, order, 24, 44, 9, bits);
  for (int b = 0; b < kNumBands; ++b) EXPECT_EQ(bits[b], (b == 20 || b == 5) ? 1 : 0) << b;

  // 40 bits: band 40 is paid, then band 33 (24 wide) cannot be; the last 8
  // bits go to band 5.
  setup(priority, order);
  std::fill(bits, bits + kNumBands, 0);
  allocate_bits<PortableKernels>(priority, order, 40, 44, 9, bits);
  for (int b = 0; b < kNumBands; ++b) EXPECT_EQ(bits[b], (b == 40 || b == 5) ? 1 : 0) << b;

  // Second leftover round: band 20 got one bit in phase 1, band 40 cannot be
  // paid with the 31 bits left, so band 20 goes to 2 and band 5 to 1.
  Word16 p3[3] = {50, 49, 10}, o3[3] = {20, 40, 5};
  std::fill(bits, bits + kNumBands, 0);
  allocate_bits<PortableKernels>(p3, o3, 47, 3, 9, bits);
  EXPECT_EQ(bits[20], 2);
  EXPECT_EQ(bits[40], 0);
  EXPECT_EQ(bits[5], 1);
  EXPECT_EQ(fixed_width_cost(bits), 40);
}

TEST(BitAllocation, CapAtMaxBitsAndEveryBandFilledByHugeBudget) {
  Word16 levels[kNumBands];
  for (int b = 0; b < kNumBands; ++b) levels[b] = static_cast<Word16>(b == 3 ? 34 : -5);
  // One very loud band: it saturates at 9 and the others then get bits.
  Allocation a = run_allocation(levels, 0, 44, 400);
  EXPECT_EQ(a.bits[3], 9);
  EXPECT_GT(fixed_width_cost(a.bits), 9 * 8);
  EXPECT_LE(fixed_width_cost(a.bits), 400);
  // A budget above 9 bits for every coefficient fills all bands to 9.
  a = run_allocation(levels, 0, 44, 7300);
  for (int b = 0; b < kNumBands; ++b) EXPECT_EQ(a.bits[b], 9) << b;
  a = run_allocation(levels, 1, 36, 32767);
  for (int b = 0; b < kNumBands; ++b) EXPECT_EQ(a.bits[b], b < 36 ? 9 : 0) << b;
}

TEST(BitAllocation, RandomFramesStayWithinBudget) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 2000; ++trial) {
    Word16 levels[kNumBands];
    for (Word16 &l : levels) l = static_cast<Word16>(static_cast<int>(rng() % 40) - 5);
    const Word16 transient = static_cast<Word16>(trial & 1);
    const Word16 nb = (trial & 2) ? 44 : 36;
    const Word16 budget = static_cast<Word16>(rng() % 2600);
    const Allocation a = run_allocation(levels, transient, nb, budget);
    const int cost = fixed_width_cost(a.bits);
    ASSERT_LE(cost, std::max<int>(budget, 0)) << trial;
    ASSERT_EQ(count_allocated_bits(a.bits, nb), cost) << trial;
    for (int b = 0; b < kNumBands; ++b) {
      ASSERT_GE(a.bits[b], 0);
      ASSERT_LE(a.bits[b], 9);
      if (b >= nb) {
        ASSERT_EQ(a.bits[b], 0);
      }
    }
    // Priorities are level plus a weight of 0..3.
    for (int b = 0; b < kNumBands; ++b) {
      ASSERT_GE(a.priority[b] - levels[b], 0);
      ASSERT_LE(a.priority[b] - levels[b], 3);
    }
  }
}

TEST(CountAllocatedBits, WeightsEachGroupByWidth) {
  Word16 bits[kNumBands] = {};
  bits[0] = 3;   // 24
  bits[16] = 2;  // 32
  bits[30] = 5;  // 120
  bits[40] = 9;  // 288
  EXPECT_EQ(count_allocated_bits(bits, 44), 24 + 32 + 120 + 288);
  EXPECT_EQ(count_allocated_bits(bits, 36), 24 + 32 + 120);
}

}  // namespace
