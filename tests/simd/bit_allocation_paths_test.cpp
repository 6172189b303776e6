// The bit allocation's greedy pass, which keeps a record of the window's
// maximum between steps, against the pass that searches the whole window
// with the basic operators at every step: the same allocation and the same
// priorities on the portable and the AVX2 path, for allocation inputs of
// real frames and for arbitrary ones (unsorted, full 16-bit range, MIN_16,
// long ties, few bits per band, so that bands fill up and the window
// restarts often).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

#include "frame/cpu_dispatch.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/bit_allocation.h"

namespace {

struct Case {
  Word16 priority[kNumBands];
  Word16 order[kNumBands];
  Word16 budget;
  Word16 nb;
  Word16 max_bits;
};

// Runs the pass on both paths and the reference; every result must agree.
void expect_allocation_paths(const Case &c, int trial) {
  Word16 want_priority[kNumBands], want_bits[kNumBands] = {};
  std::copy(c.priority, c.priority + kNumBands, want_priority);
  allocate_bits_reference(want_priority, c.order, c.budget, c.nb, c.max_bits, want_bits);
  for (bool portable : {true, false}) {
    g719_force_portable(portable);
    Word16 priority[kNumBands], bits[kNumBands] = {};
    std::copy(c.priority, c.priority + kNumBands, priority);
    allocate_bits(priority, c.order, c.budget, c.nb, c.max_bits, bits);
    g719_force_portable(false);
    for (int b = 0; b < kNumBands; ++b) {
      ASSERT_EQ(bits[b], want_bits[b]) << "trial " << trial << " band " << b << " portable " << portable;
      ASSERT_EQ(priority[b], want_priority[b]) << "trial " << trial << " position " << b << " portable " << portable;
    }
  }
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
    sort_bands_by_priority(c.priority, c.nb, c.order);
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
