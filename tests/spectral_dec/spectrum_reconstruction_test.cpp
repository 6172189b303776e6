#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "spectral_dec/spectrum_reconstruction.h"
#include "spectral_enc/band_tables.h"
#include "frame/kernel_sets.h"

namespace {

struct Frame {
  Word16 normalized[800] = {};
  Word32 coefficients[960] = {};
  Word16 allocation[44] = {};
  Word16 norms[44] = {};
};

// Coded bands get distinct, recognisable values (the decoder's +4 offset
// included, some negative).
void code_band(Frame &f, int b, Word16 bits) {
  f.allocation[b] = bits;
  for (int k = band_start_table[b]; k < band_end_table[b]; k++) {
    f.normalized[k] = static_cast<Word16>(((k * 37) % 301) - 150 + 4);
  }
}

// The coefficient that scaling by norm index i gives, from its definition
// v * 2^(17 - i/2): v in Q15 (1.0 for even indices, 23170 = 2^-1/2 for odd
// ones) times 2^(2 - i/2), rounded toward minus infinity, saturated to 32 bits.
Word32 expected_scaled(Word16 v, Word16 i) {
  const int64_t q15 = static_cast<int64_t>(v) * ((i % 2) ? 23170 : 32768);
  const int shift = 2 - i / 2;
  int64_t r;
  if (shift >= 0) {
    r = q15 * (int64_t{1} << shift);
  } else {
    const int64_t d = int64_t{1} << -shift;
    r = q15 >= 0 ? q15 / d : -((-q15 + d - 1) / d);
  }
  if (r > INT32_MAX) r = INT32_MAX;
  if (r < INT32_MIN) r = INT32_MIN;
  return static_cast<Word32>(r);
}

TEST(ReconstructSpectrum, NoCodedBandGivesSilenceAndLeavesTheTopAlone) {
  for (Word16 transient : {0, 1}) {
    Frame f;
    for (int b = 0; b < 44; b++) f.norms[b] = static_cast<Word16>(b % 40);
    for (int i = 0; i < 960; i++) f.coefficients[i] = 77;
    reconstruct_spectrum<PortableKernels>(f.normalized, f.coefficients, f.allocation, transient, f.norms, 3);
    for (int i = 0; i < 800; i++) ASSERT_EQ(f.coefficients[i], 0) << i;
    for (int i = 800; i < 960; i++) ASSERT_EQ(f.coefficients[i], 77) << i;
  }
}

TEST(ReconstructSpectrum, ScalingFollowsTheNormIndex) {
  Frame f;
  code_band(f, 0, 2);
  f.normalized[0] = 1000;
  for (Word16 i : {4, 5, 6, 7}) {
    f.norms[0] = i;
    reconstruct_spectrum<PortableKernels>(f.normalized, f.coefficients, f.allocation, 0, f.norms, 0);
    const Word32 want[] = {32768000, 23170000, 16384000, 11585000};
    EXPECT_EQ(f.coefficients[0], want[i - 4]) << "norm index " << i;
  }
  // Every index on a spread of values, including saturation at the loud end
  // and rounding toward minus infinity at the quiet end.
  const Word16 values[] = {32767, -32768, 4, -462, 236, -1, 1, 0, 12345};
  for (Word16 i = 0; i < 40; i++) {
    Frame g;
    for (int b = 0; b < 44; b++) {
      g.allocation[b] = 3;
      g.norms[b] = i;
    }
    for (int k = 0; k < 800; k++) g.normalized[k] = values[k % 9];
    reconstruct_spectrum<PortableKernels>(g.normalized, g.coefficients, g.allocation, 0, g.norms, 0);
    for (int k = 0; k < 800; k++) {
      ASSERT_EQ(g.coefficients[k], expected_scaled(values[k % 9], i)) << "index " << i << " value " << values[k % 9];
    }
  }
}

TEST(ReconstructSpectrum, FillCodebookRunsOnAcrossBandsAndWraps) {
  Frame f;
  code_band(f, 1, 2);
  code_band(f, 4, 3);
  std::vector<Word16> band1(f.normalized + 8, f.normalized + 16);
  std::vector<Word16> band4(f.normalized + 32, f.normalized + 40);
  reconstruct_spectrum<PortableKernels>(f.normalized, f.coefficients, f.allocation, 0, f.norms, 0);
  for (int k = 0; k < 8; k++) {
    EXPECT_EQ(f.normalized[0 + k], band1[k]) << "band 0 takes the codebook's start";
    EXPECT_EQ(f.normalized[8 + k], band1[k]) << "coded band unchanged";
    EXPECT_EQ(f.normalized[16 + k], band4[k]) << "band 2 continues with band 4's values";
    EXPECT_EQ(f.normalized[24 + k], band1[k]) << "band 3 wraps to the codebook's start";
    EXPECT_EQ(f.normalized[32 + k], band4[k]);
  }
}

// Source position of folded coefficient k >= e: a first sweep down from e-1
// to h, then cycles of (h up to e-1) and (e down to h).
int fold_source(int k, int e) {
  const int h = e / 2;
  const int first = e - h;
  int t = k - e;
  if (t < first) return e - 1 - t;
  t -= first;
  const int cycle = 2 * (e - h) + 1;
  const int r = t % cycle;
  if (r < e - h) return h + r;
  return e - (r - (e - h));
}

TEST(ReconstructSpectrum, StationaryFoldingMirrorsBackAndForth) {
  Frame f;
  code_band(f, 0, 4);
  std::vector<Word16> band0(f.normalized, f.normalized + 8);
  reconstruct_spectrum<PortableKernels>(f.normalized, f.coefficients, f.allocation, 0, f.norms, 3);
  const int listed[] = {7, 6, 5, 4, 4, 5, 6, 7, 8, 7, 6, 5, 4, 4, 5, 6, 7, 8, 7};
  for (int n = 0; n < 19; n++) {
    const int src = listed[n] == 8 ? 7 : listed[n];  // position 8 holds the copy of 7
    EXPECT_EQ(f.normalized[8 + n], band0[src]) << "coefficient " << 8 + n;
  }
  for (int k = 8; k < 800; k++) {
    const int s = fold_source(k, 8);
    ASSERT_EQ(f.normalized[k], band0[s == 8 ? 7 : s]) << "coefficient " << k << " (not attenuated)";
  }

  // A wider layout: last coded band 20 (ends at 208), with gaps below it.
  Frame g;
  code_band(g, 3, 2);
  code_band(g, 20, 5);
  reconstruct_spectrum<PortableKernels>(g.normalized, g.coefficients, g.allocation, 0, g.norms, 0);
  for (int k = 208; k < 800; k++) {
    const int s = fold_source(k, 208);
    ASSERT_EQ(g.normalized[k], g.normalized[s == 208 ? 207 : s]) << "coefficient " << k;
  }
}

TEST(ReconstructSpectrum, NoiseLevelAttenuatesOnlyFilledBandsBelowTheLastCodedOne) {
  Frame f;
  code_band(f, 2, 3);
  code_band(f, 5, 3);
  std::vector<Word16> coded(f.normalized, f.normalized + 800);
  reconstruct_spectrum<PortableKernels>(f.normalized, f.coefficients, f.allocation, 0, f.norms, 3);
  // Codebook: band 2 then band 5. Bands 0, 1, 3, 4 are filled and divided by
  // 8 (arithmetic shift, so -1 stays -1 and -9 becomes -2).
  const int filled[] = {0, 1, 3, 4};
  int j = 0;
  for (int b : filled) {
    for (int k = 0; k < 8; k++, j = (j + 1) % 16) {
      const Word16 src = coded[j < 8 ? 16 + j : 40 + (j - 8)];
      ASSERT_EQ(f.normalized[8 * b + k], static_cast<Word16>(src >> 3)) << "band " << b;
    }
  }
  for (int k = 16; k < 24; k++) EXPECT_EQ(f.normalized[k], coded[k]);
  for (int k = 40; k < 48; k++) EXPECT_EQ(f.normalized[k], coded[k]);
  // The fold above coefficient 48 copies unattenuated values of 24..47.
  EXPECT_EQ(f.normalized[48], coded[47]);
  EXPECT_EQ(f.normalized[49], coded[46]);
}

TEST(ReconstructSpectrum, TransientFillsEveryBandAndFoldsNothing) {
  Frame f;
  code_band(f, 10, 2);  // 8 coefficients: 80..87
  std::vector<Word16> band10(f.normalized + 80, f.normalized + 88);
  for (int b = 0; b < 44; b++) f.norms[b] = 10;
  reconstruct_spectrum<PortableKernels>(f.normalized, f.coefficients, f.allocation, 1, f.norms, 0);
  // The codebook holds 8 values, so every band without bits, up to band 43
  // (bands 36..43 included), repeats them with period 8 from coefficient 0.
  for (int k = 0; k < 800; k++) {
    ASSERT_EQ(f.normalized[k], band10[k % 8]) << "coefficient " << k;
    ASSERT_EQ(f.coefficients[k], expected_scaled(band10[k % 8], 10)) << "coefficient " << k;
  }
}

}  // namespace
