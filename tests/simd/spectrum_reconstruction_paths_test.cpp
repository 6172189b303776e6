// Noise filling, folding and attenuation by runs and block copies against the
// coefficient-by-coefficient reconstruction they replace, on both kernel
// sets, on random
// allocations from none to every band coded, both frame types and every
// noise level.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "frame/kernel_sets.h"
#include "spectral_dec/norm_scaling.h"
#include "spectral_dec/spectrum_reconstruction.h"
#include "spectral_enc/band_tables.h"

namespace {

// The stepwise reconstruction: codebook copy, per-coefficient wrap, stepwise
// mirror, shr on every filled coefficient.
void reconstruct_stepwise(Word16 *normalized, Word32 *coefficients, const Word16 *allocation, Word16 transient,
                          const Word16 *norm_indices, Word16 noise_level) {
  Word16 codebook[kCodedCoefficients];
  Word16 n = 0;
  for (Word16 b = 0; b < kNumBands; b++) {
    if (allocation[b] == 0) continue;
    for (Word16 k = band_start_table[b]; k < band_end_table[b]; k++) {
      codebook[n] = normalized[k];
      n = add(n, 1);
    }
  }
  Word16 last = kNumBands - 1;
  if (transient == 0) {
    for (Word16 b = kNumBands - 1; b >= 0; b--) {
      if (allocation[b] != 0) {
        last = b;
        break;
      }
    }
  }
  if (n != 0) {
    Word16 j = 0;
    for (Word16 b = 0; b <= last; b++) {
      if (allocation[b] != 0) continue;
      for (Word16 k = band_start_table[b]; k < band_end_table[b]; k++) {
        normalized[k] = codebook[j];
        j = add(j, 1);
        if (sub(j, n) >= 0) j = 0;
      }
    }
    if (transient == 0) {
      const Word16 e = band_end_table[last];
      if (sub(e, kCodedCoefficients) < 0) {
        const Word16 h = shr(e, 1);
        Word16 s = sub(e, 1);
        bool down = true;
        for (Word16 k = e; k < kCodedCoefficients; k++) {
          normalized[k] = normalized[s];
          if (down) {
            if (sub(s, h) == 0) {
              down = false;
            } else {
              s = sub(s, 1);
            }
          } else if (sub(s, sub(e, 1)) == 0) {
            down = true;
            s = e;
          } else {
            s = add(s, 1);
          }
        }
      }
    }
    for (Word16 b = 0; b <= last; b++) {
      if (allocation[b] != 0) continue;
      for (Word16 k = band_start_table[b]; k < band_end_table[b]; k++) normalized[k] = shr(normalized[k], noise_level);
    }
  }
  scale_by_norms(normalized, coefficients, norm_indices);
}

TEST(SpectrumReconstructionPaths, MatchesTheStepwiseReconstruction) {
  std::mt19937 rng(31);
  const Word16 levels[] = {0, 1, 2, 3, 0, 1, 2, 3, 15, 16, -1, -3};
  for (int trial = 0; trial < 6000; ++trial) {
    // Coded-band density from none to all; sometimes only the top or a single band.
    Word16 allocation[kNumBands];
    const int density = static_cast<int>(rng() % 9);
    for (auto &a : allocation)
      a = static_cast<int>(rng() % 8) < density ? static_cast<Word16>(1 + rng() % 9) : Word16{0};
    if (trial % 17 == 0) {
      for (auto &a : allocation) a = 0;
      allocation[rng() % kNumBands] = 1;
    }
    Word16 norms[kNumBands];
    for (auto &x : norms) x = static_cast<Word16>(rng() % 40);
    std::vector<Word16> want(kCodedCoefficients), have(kCodedCoefficients);
    for (int k = 0; k < kCodedCoefficients; ++k) {
      const int pick = static_cast<int>(rng() % 16);
      want[k] = static_cast<Word16>(pick == 0 ? -32768 : pick == 1 ? 32767 : static_cast<int>(rng() % 2001) - 1000);
    }
    have = want;
    std::vector<Word32> cw(960, 0x11111111), ch(960, 0x11111111), cv(960, 0x11111111);
    std::vector<Word16> vector_have = want;
    const Word16 transient = static_cast<Word16>(rng() % 3 == 0);
    const Word16 level = levels[trial % 12];
    Overflow = 0;
    reconstruct_stepwise(want.data(), cw.data(), allocation, transient, norms, level);
    const Flag want_overflow = Overflow;
    Overflow = 0;
    reconstruct_spectrum<PortableKernels>(have.data(), ch.data(), allocation, transient, norms, level);
    ASSERT_EQ(have, want) << "trial " << trial;
    ASSERT_EQ(ch, cw) << "trial " << trial;
    ASSERT_EQ(Overflow, want_overflow) << "trial " << trial;
    if (g719_kernel_set_supported(KernelSet::kAvx2)) {
      Overflow = 0;
      reconstruct_spectrum<Avx2Kernels>(vector_have.data(), cv.data(), allocation, transient, norms, level);
      ASSERT_EQ(vector_have, want) << "trial " << trial;
      ASSERT_EQ(cv, cw) << "trial " << trial;
      ASSERT_EQ(Overflow, want_overflow) << "trial " << trial;
    }
  }
}

}  // namespace
