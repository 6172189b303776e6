// Transient-frame interleaving and the noise-level index.
#include <gtest/gtest.h>

#include "spectral_enc/band_tables.h"
#include "spectral_enc/interleave.h"
#include "spectral_enc/noise_level_index.h"

namespace {

TEST(Interleave, NumberedInput) {
  Word32 c[960];
  for (int s = 0; s < 4; ++s) {
    for (int j = 0; j < 240; ++j) c[240 * s + j] = 240 * s + j + 1;
  }
  interleave_transient_spectrum(c);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(c[i], 1 + i);
    EXPECT_EQ(c[16 + i], 241 + i);
    EXPECT_EQ(c[32 + i], 481 + i);
    EXPECT_EQ(c[48 + i], 721 + i);
    EXPECT_EQ(c[64 + i], 17 + i);
    EXPECT_EQ(c[80 + i], 257 + i);
  }
  EXPECT_EQ(c[799], 920);
  for (int p = 800; p < 960; ++p) EXPECT_EQ(c[p], p + 1);
}

TEST(Interleave, QuartetsHoldOneFrequencyRangeOfEachSubBlock) {
  Word32 c[960];
  for (int s = 0; s < 4; ++s) {
    for (int j = 0; j < 240; ++j) c[240 * s + j] = 1000 * s + j;  // sub-block, coefficient
  }
  interleave_transient_spectrum(c);
  // Quartets from band 16 on: band 4q + s is sub-block s; all four cover the
  // same short-spectrum range.
  for (int b = 16; b < kNumBands; ++b) {
    const int s = b % 4;
    const int first_j = band_start_table[b - s] / 4;
    for (int i = 0; i < band_width_table[b]; ++i) {
      ASSERT_EQ(c[band_start_table[b] + i], 1000 * s + first_j + i) << "band " << b;
    }
  }
  // Bands 0..15: two bands per sub-block, sub-block = (b % 8) / 2.
  for (int b = 0; b < 16; ++b) {
    const int s = (b % 8) / 2;
    const int first_j = (b / 8) * 16 + (b % 2) * 8;
    for (int i = 0; i < 8; ++i) ASSERT_EQ(c[band_start_table[b] + i], 1000 * s + first_j + i) << "band " << b;
  }
}

struct NoiseFrame {
  Word16 spectrum[800] = {};
  Word16 allocation[kNumBands] = {};
};

TEST(NoiseLevelIndex, NothingToMeasureGivesThree) {
  NoiseFrame f;
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), 3);  // no band allocated: all 44 measured, zeros
  for (Word16 &a : f.allocation) a = 2;
  for (Word16 &v : f.spectrum) v = 200;
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), 3);  // n = 0
}

TEST(NoiseLevelIndex, MeanBitLengthExamples) {
  NoiseFrame f;
  f.allocation[0] = 0;
  f.allocation[1] = 3;  // last allocated band: only band 0 is measured
  for (int i = 0; i < 8; ++i) f.spectrum[i] = static_cast<Word16>(i % 2 ? 64 + i : 127);
  for (int i = 8; i < 800; ++i) f.spectrum[i] = 30000;  // not measured
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), 0);
  for (int i = 0; i < 8; ++i) f.spectrum[i] = static_cast<Word16>(8 + i);
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), 3);
  for (int i = 0; i < 8; ++i) f.spectrum[i] = 0;  // each zero counts -1
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), 3);
  // Bit length 6 on average: 7 - 6 = 1.
  for (int i = 0; i < 8; ++i) f.spectrum[i] = 40;
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), 1);
}

TEST(NoiseLevelIndex, TruncatedReciprocalAndUnclampedNegative) {
  // 24 coefficients of bit length 7 in one unallocated band of width 24
  // (n = 24, not a power of two): E = 168, div_s(1, 24) = 1365,
  // mult(168, 1365) = 6, so 7 - 6 = 1.
  NoiseFrame f;
  f.allocation[25] = 1;
  for (int i = band_start_table[24]; i < band_end_table[24]; ++i) f.spectrum[i] = 100;
  for (int b = 0; b < 24; ++b) f.allocation[b] = 1;
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), 1);
  // Magnitudes of 256 and more (bit length 9): E = 216, mult(216, 1365) = 8,
  // so -1; the result is not clamped at 0.
  for (int i = band_start_table[24]; i < band_end_table[24]; ++i) f.spectrum[i] = 300;
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), -1);
  for (int i = band_start_table[24]; i < band_end_table[24]; ++i) f.spectrum[i] = -20000;
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), -7);  // norm_s(-20000) = 0
  // Allocated bands between unallocated ones are skipped.
  for (int i = band_start_table[24]; i < band_end_table[24]; ++i) f.spectrum[i] = 100;
  f.allocation[3] = 0;  // band 3 joins: 8 zeros, E = 24 * 7 - 8 = 160, n = 32
  EXPECT_EQ(g719_noise_level_index(f.spectrum, f.allocation), 2);  // mult(160, 1024) = 5
}

}  // namespace
