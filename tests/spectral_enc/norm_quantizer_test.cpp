// Norm index of a band, clamping and difference coding, transient reordering.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "spectral_enc/band_tables.h"
#include "spectral_enc/norm_quantizer.h"

namespace {

Word16 norm_index_of_constant(Word32 value, Word16 width, Word16 group, Word16 limit = 40) {
  Word32 band[32];
  for (int i = 0; i < width; ++i) band[i] = (i & 1) ? value : L_negate(value);
  Word16 index = -1;
  compute_band_norm_index(band, &index, limit, width, group);
  return index;
}

TEST(BandNormIndex, ZeroBandGetsQuietestIndex) {
  Word32 zeros[32] = {};
  Word16 index = 0;
  compute_band_norm_index(zeros, &index, 32, 8, 0);
  EXPECT_EQ(index, 31);
  EXPECT_EQ(norm_level_table[index], 3);
  for (Word16 g = 0; g < 4; ++g) {
    index = 0;
    compute_band_norm_index(zeros, &index, 40, band_group_width[g], g);
    EXPECT_EQ(index, 39) << g;
    EXPECT_EQ(norm_level_table[index], -5);
  }
}

TEST(BandNormIndex, PowersOfTwoInEveryGroup) {
  // A band at RMS 2^k has mean square 2^(2k), so index 50 - 2k.
  for (Word16 g = 0; g < 4; ++g) {
    for (int k = 6; k <= 24; ++k) {
      EXPECT_EQ(norm_index_of_constant(Word32{1} << k, band_group_width[g], g), 50 - 2 * k)
          << "group " << g << " k " << k;
    }
  }
  // Louder than index 0 saturates at 0; band 0 stops at 31.
  EXPECT_EQ(norm_index_of_constant(MAX_32, 8, 0), 0);
  EXPECT_EQ(norm_index_of_constant(MIN_32, 32, 3), 0);
  EXPECT_EQ(norm_index_of_constant(1 << 6, 8, 0, 32), 31);
  EXPECT_EQ(norm_index_of_constant(1 << 6, 8, 0, 40), 38);
}

TEST(BandNormIndex, RoundsAtGeometricMidpoint) {
  // 2^10.25 = 1217.75: RMS 1217 rounds to 50 - 20 = 30, 1218 to 29.
  EXPECT_EQ(norm_index_of_constant(1217, 8, 0), 30);
  EXPECT_EQ(norm_index_of_constant(1218, 8, 0), 29);
  EXPECT_EQ(norm_index_of_constant(1217 << 4, 16, 1), 22);
  EXPECT_EQ(norm_index_of_constant(1218 << 4, 16, 1), 21);
}

TEST(BandNormIndex, MatchesFloatingPointAwayFromBoundaries) {
  std::mt19937 rng(1234);
  int checked = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    const Word16 g = static_cast<Word16>(trial % 4);
    const Word16 width = band_group_width[g];
    const int magnitude_bits = 4 + static_cast<int>(rng() % 26);
    std::uniform_int_distribution<Word32> dist(-(Word32{1} << magnitude_bits), Word32{1} << magnitude_bits);
    Word32 band[32];
    double ms = 0;
    for (int i = 0; i < width; ++i) {
      band[i] = dist(rng);
      ms += static_cast<double>(band[i]) * band[i];
    }
    ms /= width;
    if (ms < 1.0) continue;
    const double v = 50.0 - std::log2(ms);
    const double frac = v - std::floor(v);
    if (std::fabs(frac - 0.5) < 0.05) continue;  // too near a rounding boundary
    const int expected = std::clamp(static_cast<int>(std::lround(v)), 0, 39);
    Word16 index = -1;
    compute_band_norm_index(band, &index, 40, width, g);
    ASSERT_EQ(index, expected) << "trial " << trial << " ms " << ms;
    ++checked;
  }
  EXPECT_GT(checked, 3000);
}

struct ClampCase {
  std::vector<Word16> before, after, codes;
};

TEST(NormDifferences, ClampingExamples) {
  const ClampCase cases[] = {
      {{0, 39, 39, 39}, {0, 16, 32, 39}, {31, 31, 22}},
      {{31, 0, 0, 0}, {15, 0, 0, 0}, {0, 15, 15}},
      {{0, 39, 0, 39, 0, 39}, {0, 15, 0, 15, 0, 16}, {30, 0, 30, 0, 31}},
  };
  for (const ClampCase &c : cases) {
    std::vector<Word16> index = c.before;
    const Word16 count = static_cast<Word16>(index.size());
    std::vector<Word16> level(count, 999), codes(count - 1, -1);
    limit_and_code_norm_differences(level.data(), count, index.data(), codes.data());
    EXPECT_EQ(index, c.after);
    EXPECT_EQ(codes, c.codes);
    EXPECT_EQ(level[0], 999);  // position 0's level is the caller's to set
    for (int k = 1; k < count; ++k) EXPECT_EQ(level[k], 34 - c.after[k]);
  }
}

TEST(NormDifferences, RandomIndicesRebuildFromCodesAndOnlyGetLouder) {
  std::mt19937 rng(99);
  for (int trial = 0; trial < 500; ++trial) {
    Word16 index[kNumBands], original[kNumBands], level[kNumBands], codes[kNumBands - 1];
    for (int b = 0; b < kNumBands; ++b) {
      // Mix of smooth and wildly jumping spectra.
      original[b] = static_cast<Word16>(trial % 2 ? rng() % 40 : (b == 0 ? 10 : original[b - 1] + rng() % 3) % 40);
    }
    original[0] = static_cast<Word16>(original[0] % 32);
    std::copy(original, original + kNumBands, index);
    limit_and_code_norm_differences(level, kNumBands, index, codes);
    Word16 rebuilt = index[0];
    EXPECT_LE(index[0], original[0]);
    for (int k = 1; k < kNumBands; ++k) {
      ASSERT_GE(codes[k - 1], 0);
      ASSERT_LE(codes[k - 1], 31);
      rebuilt = static_cast<Word16>(rebuilt + codes[k - 1] - 15);
      EXPECT_EQ(rebuilt, index[k]);
      EXPECT_LE(index[k], original[k]);
      EXPECT_GE(index[k], 0);
      EXPECT_EQ(level[k], norm_level_table[index[k]]);
    }
  }
}

TEST(NormOrder, TransientClampingFollowsTheSnake) {
  // Bands 41 and 42 at index 39, every other band at 0.
  Word16 index[kNumBands] = {}, level[kNumBands];
  index[41] = 39;
  index[42] = 39;
  for (int b = 0; b < kNumBands; ++b) level[b] = norm_level_table[index[b]];

  // Band order: 40 (0), 41, 42, 43 (0) form one chain: 41 -> 16, 42 -> 15.
  Word16 stationary[kNumBands], st_level[kNumBands], codes[kNumBands - 1];
  std::copy(index, index + kNumBands, stationary);
  limit_and_code_norm_differences(st_level, kNumBands, stationary, codes);
  EXPECT_EQ(stationary[41], 16);
  EXPECT_EQ(stationary[42], 15);

  // Snake order: 41 sits between 40 and 37, 42 between 38 and 43, all at 0.
  Word16 coded[kNumBands], coded_level[kNumBands];
  transient_norms_to_coding_order(index, level, coded, coded_level);
  EXPECT_EQ(coded[11], 39);
  EXPECT_EQ(coded_level[11], -5);
  EXPECT_EQ(coded[32], 39);
  limit_and_code_norm_differences(coded_level, kNumBands, coded, codes);
  Word16 back[kNumBands], back_level[kNumBands];
  norms_to_band_order(coded, back, back_level);
  for (int b = 0; b < kNumBands; ++b) {
    const Word16 expected = (b == 41 || b == 42) ? 15 : 0;
    EXPECT_EQ(back[b], expected) << b;
    EXPECT_EQ(back_level[b], 34 - expected) << b;
  }
}

TEST(NormOrder, CodingOrderRoundTrip) {
  Word16 index[kNumBands], level[kNumBands], coded[kNumBands], coded_level[kNumBands];
  for (int b = 0; b < kNumBands; ++b) {
    index[b] = static_cast<Word16>((b * 7) % 40);
    level[b] = static_cast<Word16>(100 + b);
  }
  transient_norms_to_coding_order(index, level, coded, coded_level);
  for (int k = 0; k < kNumBands; ++k) {
    EXPECT_EQ(coded[k], index[transient_norm_order[k]]);
    EXPECT_EQ(coded_level[k], 100 + transient_norm_order[k]);
  }
  Word16 back[kNumBands], back_level[kNumBands];
  norms_to_band_order(coded, back, back_level);
  for (int b = 0; b < kNumBands; ++b) {
    EXPECT_EQ(back[b], index[b]);
    EXPECT_EQ(back_level[b], norm_level_table[index[b]]);
  }
}

TEST(NormOrder, OutOfRangeIndicesGiveFormulaLevels) {
  Word16 coded[kNumBands], back[kNumBands], level[kNumBands];
  for (int k = 0; k < kNumBands; ++k) coded[k] = static_cast<Word16>(k % 2 ? 300 : -20);
  norms_to_band_order(coded, back, level);
  for (int b = 0; b < kNumBands; ++b) EXPECT_EQ(level[b], 34 - back[b]);
}

}  // namespace
