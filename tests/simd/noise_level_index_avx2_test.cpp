// The noise-level measurement with AVX2 against the portable loop: the same
// index and Overflow flag on spectra of every magnitude (with zeros, -1 and
// the powers of two around which bit lengths change, and the 16-bit limits)
// and on allocations that leave few or many bands without bits, none with
// bits at all, or only the top band with bits.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "frame/kernel_sets.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/noise_level_index.h"

namespace {

TEST(NoiseLevelIndexAvx2, EqualsThePortableLoop) {
  if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> any(MIN_16, MAX_16);
  std::uniform_int_distribution<int> bit(0, 15);
  std::uniform_int_distribution<int> nudge(-1, 1);
  std::uniform_int_distribution<int> kind(0, 5);
  std::uniform_int_distribution<int> rate(0, 4);
  std::array<Word16, kCodedCoefficients> spectrum;
  std::array<Word16, kNumBands> allocation;
  for (int trial = 0; trial < 20000; ++trial) {
    const int span = 1 << (trial % 16);
    for (Word16 &v : spectrum) {
      switch (kind(rng)) {
        case 0: v = 0; break;
        case 1: v = -1; break;
        case 2: v = static_cast<Word16>(((1 << bit(rng)) + nudge(rng)) * (nudge(rng) < 0 ? -1 : 1)); break;
        case 3: v = static_cast<Word16>(any(rng)); break;
        default: v = static_cast<Word16>(any(rng) % span); break;
      }
    }
    if (trial % 50 == 0) spectrum.fill(trial % 100 == 0 ? MIN_16 : MAX_16);
    // Mostly bands without bits, as at low rates; some frames without any.
    for (Word16 &r : allocation) r = static_cast<Word16>(rate(rng) < 3 ? 0 : rate(rng));
    if (trial % 7 == 0) allocation.fill(0);
    if (trial % 7 == 1) {
      allocation.fill(0);
      allocation[kNumBands - 1] = 1;
    }
    for (const Flag before : {0, 1}) {
      Overflow = before;
      const Word16 want = g719_noise_level_index(spectrum.data(), allocation.data());
      const Flag want_overflow = Overflow;
      Overflow = before;
      const Word16 got = g719_noise_level_index_avx2(spectrum.data(), allocation.data());
      ASSERT_EQ(got, want) << "trial " << trial;
      ASSERT_EQ(Overflow, want_overflow) << "trial " << trial;
    }
  }
  Overflow = 0;
}

}  // namespace
