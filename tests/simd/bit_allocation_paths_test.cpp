// The band sort and the bit allocation's greedy pass, which keep a record of
// the searched range's maximum between steps, against the procedures that
// search the whole range with the basic operators at every step: the same
// order, allocation and priorities on the portable and the AVX2 set, for
// inputs of real frames and for arbitrary ones (unsorted, full 16-bit range,
// MIN_16, long ties, few bits per band, so that bands fill up and the window
// restarts often).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "frame/kernel_sets.h"
#include "operator_references.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/bit_allocation.h"

namespace {

// The priorities in plain arithmetic against the operator computation: the
// same values and Overflow flag, for the codec's levels, levels up to and at
// the plain bound, and beyond it (the operators then take over).
TEST(AllocationPrioritiesPaths, PlainArithmeticEqualsTheOperators) {
  std::mt19937 rng(3);
  const int ranges[] = {20, 100, kAllocationPlainBound, kAllocationPlainBound + 1, 32767};
  for (int trial = 0; trial < 20000; ++trial) {
    const int range = ranges[trial % 5];
    std::uniform_int_distribution<int> d(-range, range);
    Word16 levels[kNumBands];
    for (Word16 &l : levels) l = static_cast<Word16>(trial % 5 == 0 ? d(rng) + 14 : d(rng));
    if (trial % 7 == 0) {
      // Runs at the bound: the largest sums and spreads.
      const Word16 edge = static_cast<Word16>((trial & 8) ? kAllocationPlainBound : -kAllocationPlainBound);
      for (int b = static_cast<int>(rng() % kNumBands); b < kNumBands; ++b) levels[b] = edge;
    }
    const Word16 transient = static_cast<Word16>(trial & 1);
    Word16 want[kNumBands], got[kNumBands];
    Overflow = 0;
    compute_allocation_priorities_saturating(levels, want, transient);
    const Flag want_overflow = Overflow;
    Overflow = 0;
    compute_allocation_priorities(levels, got, transient);
    ASSERT_EQ(Overflow, want_overflow) << "trial " << trial;
    Overflow = 0;
    for (int b = 0; b < kNumBands; ++b) ASSERT_EQ(got[b], want[b]) << "trial " << trial << " band " << b;
  }
}

// Sorts on the kernel set K and compares with the reference.
template <class K>
void expect_sort(const Word16 *priority, const Word16 *order, Word16 nb, int trial, const Word16 *want_priority,
                 const Word16 *want_order) {
  Word16 p[kNumBands], o[kNumBands];
  std::copy(priority, priority + kNumBands, p);
  std::copy(order, order + kNumBands, o);
  sort_bands_by_priority<K>(p, nb, o);
  for (int i = 0; i < kNumBands; ++i) {
    ASSERT_EQ(o[i], want_order[i]) << "trial " << trial << " nb " << nb << " position " << i;
    ASSERT_EQ(p[i], want_priority[i]) << "trial " << trial << " nb " << nb << " position " << i;
  }
}

// Sorts on both sets and with the reference; every entry of both arrays
// must agree, those beyond nb included.
void expect_sort_paths(const Word16 *priority, const Word16 *order, Word16 nb, int trial) {
  Word16 want_priority[kNumBands], want_order[kNumBands];
  std::copy(priority, priority + kNumBands, want_priority);
  std::copy(order, order + kNumBands, want_order);
  sort_bands_by_priority_reference(want_priority, nb, want_order);
  expect_sort<PortableKernels>(priority, order, nb, trial, want_priority, want_order);
  if (g719_kernel_set_supported(KernelSet::kAvx2)) {
    expect_sort<Avx2Kernels>(priority, order, nb, trial, want_priority, want_order);
  }
}

TEST(BandSortPaths, SameOrderAsTheSelectionSort) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 6000; ++trial) {
    Word16 priority[kNumBands], order[kNumBands];
    if (trial % 3 == 0) {
      // Priorities of real frames.
      Word16 levels[kNumBands];
      const int spread = 1 + static_cast<int>(rng() % 40);
      for (Word16 &l : levels) l = static_cast<Word16>(static_cast<int>(rng() % spread) - 5);
      compute_allocation_priorities(levels, priority, static_cast<Word16>(trial & 1));
    } else {
      const int range = trial % 3 == 1 ? 1 + static_cast<int>(rng() % 6) : 32767;
      std::uniform_int_distribution<int> d(-range, range);
      for (Word16 &p : priority) {
        const unsigned r = rng() % 20;
        p = r == 0 ? MIN_16 : r == 1 ? MAX_16 : static_cast<Word16>(d(rng));
      }
    }
    std::iota(order, order + kNumBands, Word16{0});
    if (trial & 4) std::shuffle(order, order + kNumBands, rng);
    const Word16 nb = trial % 5 == 0 ? static_cast<Word16>(rng() % 47) - 1 : (trial & 8) ? 44 : 36;
    expect_sort_paths(priority, order, nb, trial);
  }
  // Equal priorities, all MIN_16, ascending and descending runs, and nb
  // outside 2..44.
  Word16 priority[kNumBands], order[kNumBands];
  std::iota(order, order + kNumBands, Word16{0});
  for (Word16 nb : {MIN_16, Word16{-1}, Word16{0}, Word16{1}, Word16{2}, Word16{3}, Word16{44}, Word16{45}, MAX_16}) {
    std::fill(priority, priority + kNumBands, Word16{4});
    expect_sort_paths(priority, order, nb, 0);
    std::fill(priority, priority + kNumBands, MIN_16);
    expect_sort_paths(priority, order, nb, 1);
    for (int i = 0; i < kNumBands; ++i) priority[i] = static_cast<Word16>(i / 3);
    expect_sort_paths(priority, order, nb, 2);
    for (int i = 0; i < kNumBands; ++i) priority[i] = static_cast<Word16>(-i / 2);
    expect_sort_paths(priority, order, nb, 3);
  }
}

struct Case {
  Word16 priority[kNumBands];
  Word16 order[kNumBands];
  Word16 budget;
  Word16 nb;
  Word16 max_bits;
};

// Runs the pass on the kernel set K and compares with the reference.
template <class K>
void expect_allocation(const Case &c, int trial, const Word16 *want_priority, const Word16 *want_bits) {
  Word16 priority[kNumBands], bits[kNumBands] = {};
  std::copy(c.priority, c.priority + kNumBands, priority);
  allocate_bits<K>(priority, c.order, c.budget, c.nb, c.max_bits, bits);
  for (int b = 0; b < kNumBands; ++b) {
    ASSERT_EQ(bits[b], want_bits[b]) << "trial " << trial << " band " << b << " set " << int(K::kSet);
    ASSERT_EQ(priority[b], want_priority[b]) << "trial " << trial << " position " << b << " set " << int(K::kSet);
  }
}

// Runs the pass on both sets and the reference; every result must agree.
void expect_allocation_paths(const Case &c, int trial) {
  Word16 want_priority[kNumBands], want_bits[kNumBands] = {};
  std::copy(c.priority, c.priority + kNumBands, want_priority);
  allocate_bits_reference(want_priority, c.order, c.budget, c.nb, c.max_bits, want_bits);
  expect_allocation<PortableKernels>(c, trial, want_priority, want_bits);
  if (g719_kernel_set_supported(KernelSet::kAvx2)) expect_allocation<Avx2Kernels>(c, trial, want_priority, want_bits);
}

TEST(BitAllocationPaths, FramesLikeTheCodecs) {
  std::mt19937 rng(19);
  for (int trial = 0; trial < 3000; ++trial) {
    Word16 levels[kNumBands];
    const int spread = 1 + static_cast<int>(rng() % 40);
    for (Word16 &l : levels) l = static_cast<Word16>(static_cast<int>(rng() % spread) - 5);
    const Word16 transient = static_cast<Word16>(trial & 1);
    Case c{};
    c.nb = (trial & 2) ? 44 : 36;
    c.max_bits = kMaxBitsPerCoefficient;
    c.budget = static_cast<Word16>(trial % 7 == 0 ? rng() % 8000 : rng() % 2600);
    compute_allocation_priorities(levels, c.priority, transient);
    for (Word16 i = 0; i < kNumBands; ++i) c.order[i] = i;
    sort_bands_by_priority_reference(c.priority, c.nb, c.order);
    expect_allocation_paths(c, trial);
  }
}

TEST(BitAllocationPaths, ArbitraryInputs) {
  std::mt19937 rng(23);
  for (int trial = 0; trial < 6000; ++trial) {
    Case c{};
    const int kind = trial % 4;
    const int range = kind == 0 ? 2 : kind == 1 ? 30 : kind == 2 ? 3000 : 32767;
    std::uniform_int_distribution<int> d(-range, range);
    for (Word16 &p : c.priority) {
      const unsigned r = rng() % 20;
      p = r == 0 ? MIN_16 : r == 1 ? MAX_16 : static_cast<Word16>(d(rng));
    }
    if (trial % 3 == 0) std::sort(c.priority, c.priority + kNumBands, std::greater<Word16>());
    std::iota(c.order, c.order + kNumBands, Word16{0});
    std::shuffle(c.order, c.order + kNumBands, rng);
    c.nb = static_cast<Word16>(1 + rng() % kNumBands);
    c.max_bits = static_cast<Word16>(1 + rng() % 9);
    const unsigned b = rng() % 4;
    c.budget = static_cast<Word16>(b == 0 ? static_cast<int>(rng() % 80) - 20
                                   : b == 1 ? rng() % 2600
                                            : b == 2 ? rng() % 32768 : 32767);
    expect_allocation_paths(c, trial);
  }
  // All priorities equal, and all MIN_16: the record holds the whole window.
  for (Word16 value : {Word16{9}, MIN_16}) {
    for (Word16 nb : {Word16{1}, Word16{2}, Word16{36}, Word16{44}}) {
      Case c{};
      std::fill(c.priority, c.priority + kNumBands, value);
      std::iota(c.order, c.order + kNumBands, Word16{0});
      c.nb = nb;
      c.max_bits = 2;
      for (Word16 budget : {Word16{8}, Word16{500}, Word16{4000}, MAX_16}) {
        c.budget = budget;
        expect_allocation_paths(c, budget);
      }
    }
  }
}

}  // namespace
