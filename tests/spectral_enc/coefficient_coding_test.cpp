// Coefficient coding: Huffman tables, normalisation, band-group
// quantization, index cost and writing, and spare-bit spending.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <cmath>
#include <string>
#include <vector>

#include "frame/bit_words.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/coef_huffman.h"
#include "spectral_enc/coefficient_coding.h"
#include "spectral_enc/lattice.h"
#include "spectral_enc/lattice_tables.h"
#include "frame/kernel_sets.h"

namespace {

// The four codes as bit strings, by index component.
const std::vector<std::vector<std::string>> kCodeWords = {
    {"0", "110", "111", "10"},
    {"00", "01", "1001", "10000", "10001", "1010", "1011", "11"},
    {"00", "110", "0110", "0111", "10100", "10101", "10110", "101110", "101111", "10000", "10001", "10010", "10011",
     "0100", "0101", "111"},
    {"00", "010", "1000", "10100", "10101", "110000", "110001", "110010", "110011", "1110000", "1110001",
     "1110010", "1110011", "1110100", "1110101", "1110110", "1110111", "1111000", "1111001", "1111010",
     "1111011", "1111100", "1111101", "111111", "110100", "110101", "110110", "110111", "10110", "10111",
     "1001", "011"}};

std::string code_string(int r, int k) {
  const int e = coef_huffman_offsets[r] + k;
  std::string s;
  for (int b = coef_huffman_lengths[e] - 1; b >= 0; --b) s += ((coef_huffman_codes[e] >> b) & 1) ? '1' : '0';
  return s;
}

std::string words_to_string(const Word16 *w, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += w[i] == BIT_WORD_ONE ? '1' : (w[i] == BIT_WORD_ZERO ? '0' : '?');
  return s;
}

TEST(CoefHuffman, TablesMatchTheCodeWords) {
  for (int r = 2; r <= 5; ++r) {
    const auto &words = kCodeWords[r - 2];
    ASSERT_EQ(static_cast<int>(words.size()), 1 << r);
    for (int k = 0; k < (1 << r); ++k) EXPECT_EQ(code_string(r, k), words[k]) << "R=" << r << " k=" << k;
  }
  EXPECT_EQ(coef_huffman_offsets[5] + 32, kCoefHuffmanEntries);
}

TEST(CoefHuffman, CodesArePrefixFreeAndComplete) {
  for (int r = 2; r <= 5; ++r) {
    double kraft = 0;
    for (int a = 0; a < (1 << r); ++a) {
      const std::string ca = code_string(r, a);
      kraft += 1.0 / (1 << ca.size());
      for (int b = 0; b < (1 << r); ++b) {
        if (a != b) {
          EXPECT_NE(code_string(r, b).rfind(ca, 0), 0u) << "R=" << r << ": " << a << " prefixes " << b;
        }
      }
    }
    EXPECT_DOUBLE_EQ(kraft, 1.0) << "R=" << r;
  }
}

// A band group of 8 bands of width 16 with a mix of resolutions, and
// indices valid for each.
struct Group {
  Word16 allocation[kNumBands] = {};
  Word16 indices[8 * 16] = {};
  static constexpr Word16 kFirst = 16, kEnd = 24, kWidth = 16;
};

Group mixed_group() {
  Group g;
  const Word16 rs[8] = {0, 1, 2, 3, 4, 5, 6, 9};
  unsigned seed = 12345;
  for (int n = 0; n < 8; ++n) {
    g.allocation[16 + n] = rs[n];
    for (int i = 0; i < 16; ++i) {
      seed = seed * 1103515245u + 12345u;
      const int mod = rs[n] == 1 ? 256 : (1 << rs[n]);
      g.indices[16 * n + i] = static_cast<Word16>(rs[n] == 0 ? 0 : (seed >> 16) % mod);
    }
  }
  return g;
}

TEST(CoefficientIndices, HuffmanCostCountsEveryResolutionRule) {
  const Group g = mixed_group();
  int expect = 16;  // R = 1: width bits
  for (int n = 2; n <= 5; ++n) {
    for (int i = 0; i < 16; ++i) expect += static_cast<int>(kCodeWords[n - 2][g.indices[16 * n + i]].size());
  }
  expect += 6 * 16 + 9 * 16;  // fixed width above 5 bits
  EXPECT_EQ(count_coefficient_huffman_bits<PortableKernels>(g.indices, g.allocation, Group::kFirst, Group::kEnd,
                                                            Group::kWidth),
            expect);
}

TEST(CoefficientIndices, WrittenBitsFollowTheCodingFlag) {
  const Group g = mixed_group();
  for (Word16 flag : {Word16{0}, Word16{1}}) {
    std::vector<Word16> words(2000, 0);
    const Word16 n =
        write_band_group_indices(g.indices, g.allocation, words.data(), flag, Group::kFirst, Group::kEnd, 16);
    std::string expect;
    for (int band = 1; band < 8; ++band) {
      const int r = g.allocation[16 + band];
      const Word16 *idx = g.indices + 16 * band;
      if (r == 1) {
        // One 8-bit codebook index per vector, from the vector's first slot.
        for (int v = 0; v < 2; ++v) {
          for (int b = 7; b >= 0; --b) expect += ((idx[8 * v] >> b) & 1) ? '1' : '0';
        }
      } else if (flag == 1 && r <= 5) {
        for (int i = 0; i < 16; ++i) expect += kCodeWords[r - 2][idx[i]];
      } else {
        for (int i = 0; i < 16; ++i) {
          for (int b = r - 1; b >= 0; --b) expect += ((idx[i] >> b) & 1) ? '1' : '0';
        }
      }
    }
    EXPECT_EQ(n, static_cast<Word16>(expect.size())) << "flag " << flag;
    EXPECT_EQ(words_to_string(words.data(), n), expect) << "flag " << flag;
    EXPECT_EQ(words[n], 0) << "wrote past its count";
    if (flag == 1) {
      EXPECT_EQ(
          n, count_coefficient_huffman_bits<PortableKernels>(g.indices, g.allocation, Group::kFirst, Group::kEnd, 16));
    } else {
      EXPECT_EQ(n, (1 + 2 + 3 + 4 + 5 + 6 + 9) * 16);
    }
  }
}

TEST(Normalisation, BandAtItsNormRmsBecomes256) {
  // Band b at norm index i with every coefficient +-2^((50 - i)/2): 256 in Q8
  // (exactly for even i, within rounding for odd i).
  for (Word16 i = 0; i < 40; ++i) {
    std::array<Word32, 8> x;
    const double rms = std::pow(2.0, (50 - i) / 2.0);
    for (int n = 0; n < 8; ++n) x[n] = static_cast<Word32>((n & 1 ? -1 : 1) * std::llround(rms));
    Word16 norm_index[kNumBands] = {};
    norm_index[3] = i;
    Word16 out[8];
    normalize_band_coefficients(x.data(), norm_index, 3, 4, 8, out);
    for (int n = 0; n < 8; ++n) {
      const int expect = n & 1 ? -256 : 256;
      if (i % 2 == 0) {
        EXPECT_EQ(out[n], expect) << "index " << i;
      } else {
        // Small coefficients (high indices) lose precision to integer rounding.
        EXPECT_NEAR(out[n], expect, 1 + 512 / rms) << "index " << i;
      }
    }
  }
}

TEST(Normalisation, OddIndicesRescaleInPlaceAndLargeValuesWrap) {
  Word16 norm_index[kNumBands] = {};
  norm_index[0] = 1;   // odd: coefficients become x * sqrt(1/2), shift 16 - 0
  norm_index[1] = 38;  // even: shift 17 - 19 = -2 (left)
  Word32 x[16] = {};
  x[0] = 1 << 20;
  x[8] = 0x00012345;
  Word16 out[16];
  normalize_band_coefficients(x, norm_index, 0, 2, 8, out);
  EXPECT_EQ(x[0], L_mls(1 << 20, 23170));
  EXPECT_EQ(out[0], static_cast<Word16>(L_mls(1 << 20, 23170) >> 16));
  EXPECT_EQ(x[8], 0x00012345) << "even bands are not rescaled";
  EXPECT_EQ(out[8], static_cast<Word16>(0x48D14 & 0xFFFF)) << "keeps the low 16 bits";
}

TEST(BandGroupQuantization, ZeroSpectrumAndSkippedBands) {
  Word16 allocation[kNumBands] = {};
  allocation[0] = 2;
  allocation[1] = 1;
  allocation[2] = 0;
  Word16 normalized[24] = {};
  Word16 indices[24];
  for (Word16 &v : indices) v = -99;
  quantize_band_group<PortableKernels>(normalized, allocation, 0, 3, 8, indices);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(indices[i], 0) << "R=2 zero vector is the origin";
  EXPECT_EQ(indices[8], 7) << "R=1 zero vector is codevector 7";
  for (int i = 16; i < 24; ++i) EXPECT_EQ(indices[i], -99) << "R=0 slots are not touched";
}

TEST(BandGroupQuantization, LatticeIndicesDecodeNearTheInput) {
  // A band at the nominal RMS quantized at R = 2..9 decodes (with the
  // decoder's mapping) closer and closer to the input.
  const Word16 v[8] = {300, -250, 120, -40, 0, 210, -310, 60};
  int previous_error = 1 << 30;
  for (Word16 r = 2; r <= 9; ++r) {
    Word16 allocation[kNumBands] = {};
    allocation[0] = r;
    Word16 indices[8];
    quantize_band_group<PortableKernels>(v, allocation, 0, 1, 8, indices);
    Word16 x[8];
    d8_index_to_point(indices, x, r);
    int error = 0;
    for (int i = 0; i < 8; ++i) {
      const Word16 rebuilt = add(mult(shl(x[i], sub(13, r)), 6144), 4);
      error += (rebuilt - v[i]) * (rebuilt - v[i]);
    }
    EXPECT_LE(error, previous_error) << "R=" << r;
    previous_error = error;
  }
  EXPECT_LE(previous_error, 8 * 4) << "9 bits per coefficient is nearly exact";
}

TEST(BandGroupQuantization, LatticeInputIsScaledBySixteenThirds) {
  // Each vector is quantized as (v - 4) * 21845 / 4096, floored. The range
  // keeps most vectors inside the codebooks, where the exact scale decides
  // the rounding of points that fall on half a lattice step.
  std::mt19937 rng(13);
  std::uniform_int_distribution<int> dist(-400, 400);
  for (Word16 r = 2; r <= 9; ++r) {
    Word16 allocation[kNumBands] = {};
    allocation[20] = r;  // a 16-wide band: two vectors
    for (int n = 0; n < 300; ++n) {
      Word16 v[16];
      for (Word16 &c : v) c = static_cast<Word16>(dist(rng));
      Word16 indices[16];
      quantize_band_group<PortableKernels>(v, allocation, 20, 21, 16, indices);
      for (int vec = 0; vec < 2; ++vec) {
        Word16 y[8], k[8];
        for (int i = 0; i < 8; ++i) {
          const int c = v[8 * vec + i] - 4;
          y[i] = static_cast<Word16>((c * 21845) >> 12);
        }
        lattice_quantize_vector(y, k, static_cast<Word16>(1 << r), r);
        for (int i = 0; i < 8; ++i) ASSERT_EQ(indices[8 * vec + i], k[i]) << "R=" << int(r) << " n=" << n;
      }
    }
  }
}

TEST(BandGroupQuantization, OnebitIndicesAreTheNearestCodevector) {
  // Oracle: the scaled vector (v - 4) * 1.1 against all 256 codevectors
  // times 256 by exhaustive search; vectors with two equally near
  // codevectors are left out.
  std::mt19937 rng(77);
  std::uniform_int_distribution<int> dist(-700, 700);
  Word16 allocation[kNumBands] = {};
  allocation[0] = 1;
  int checked = 0;
  for (int n = 0; n < 20000; ++n) {
    Word16 v[8];
    long long y[8];
    for (int i = 0; i < 8; ++i) {
      v[i] = static_cast<Word16>(dist(rng));
      const int c = v[i] - 4;
      y[i] = c + ((c * 3277) >> 15);
    }
    long long best = -1, second = -1;
    int best_row = -1;
    for (int r = 0; r < 256; ++r) {
      long long d = 0;
      for (int i = 0; i < 8; ++i) {
        const long long e = y[i] - 256LL * onebit_codebook[r * 8 + i];
        d += e * e;
      }
      if (best < 0 || d < best) {
        second = best;
        best = d;
        best_row = r;
      } else if (second < 0 || d < second) {
        second = d;
      }
    }
    if (best == second) continue;
    Word16 indices[8];
    quantize_band_group<PortableKernels>(v, allocation, 0, 1, 8, indices);
    ASSERT_EQ(indices[0], best_row) << "vector " << n;
    ++checked;
  }
  EXPECT_GT(checked, 15000);
}

// Sets up nb = 44 bands in band_order with the given bands at positions 1..;
// position 0 and all other bands carry bits.
struct SpareSetup {
  Word16 allocation[kNumBands];
  Word16 band_order[kNumBands];
  Word16 normalized[kCodedCoefficients] = {};
  Word16 indices[kCodedCoefficients] = {};
  std::vector<Word16> words = std::vector<Word16>(200, 0);
  SpareSetup(std::initializer_list<Word16> zero_bands, Word16 top_band) {
    for (Word16 &a : allocation) a = 2;
    band_order[0] = top_band;
    int p = 1;
    for (Word16 b : zero_bands) {
      band_order[p++] = b;
      allocation[b] = 0;
    }
    for (Word16 b = 0; b < kNumBands; ++b) {
      bool used = b == top_band;
      for (int q = 1; q < p; ++q) used = used || band_order[q] == b;
      if (!used) band_order[p++] = b;
    }
  }
};

TEST(SpareBits, SkipsBandsThatDoNotFitAndServesNarrowerOnes) {
  // Priority order: a 24-wide band, an 8-wide band, a 16-wide band, all
  // without bits; 20 spare bits serve only the 8-wide one.
  SpareSetup s({30, 5, 20}, 0);
  Word16 *cursor = s.words.data();
  spend_spare_bits<PortableKernels>(s.normalized, s.allocation, s.band_order, s.indices, &cursor, 44, 20);
  EXPECT_EQ(cursor - s.words.data(), 8);
  EXPECT_EQ(s.allocation[30], 0);
  EXPECT_EQ(s.allocation[5], 1);
  EXPECT_EQ(s.allocation[20], 0);
  EXPECT_EQ(s.indices[band_start_table[5]], 7);
  EXPECT_EQ(words_to_string(s.words.data(), 8), "00000111");
}

TEST(SpareBits, ServesInPriorityOrderUntilTheBitsRunOut) {
  SpareSetup s({40, 17, 3}, 0);
  Word16 *cursor = s.words.data();
  spend_spare_bits<PortableKernels>(s.normalized, s.allocation, s.band_order, s.indices, &cursor, 44, 55);
  EXPECT_EQ(cursor - s.words.data(), 48);  // 32 + 16; the 8-wide band no longer fits in 7
  EXPECT_EQ(s.allocation[40], 1);
  EXPECT_EQ(s.allocation[17], 1);
  EXPECT_EQ(s.allocation[3], 0);
}

TEST(SpareBits, TopPriorityBandAndBandsBeyondNbAreNeverServed) {
  SpareSetup s({}, 7);
  s.allocation[7] = 0;  // position 0 has no bits, every other band has
  Word16 *cursor = s.words.data();
  spend_spare_bits<PortableKernels>(s.normalized, s.allocation, s.band_order, s.indices, &cursor, 44, 500);
  EXPECT_EQ(cursor, s.words.data());
  EXPECT_EQ(s.allocation[7], 0);

  SpareSetup t({}, 0);
  // Bands in positions 36..43 lack bits but only 36 bands are coded.
  for (int p = 36; p < 44; ++p) t.allocation[t.band_order[p]] = 0;
  cursor = t.words.data();
  spend_spare_bits<PortableKernels>(t.normalized, t.allocation, t.band_order, t.indices, &cursor, 36, 500);
  EXPECT_EQ(cursor, t.words.data());
}

TEST(SpareBits, NegativeOrSmallSpareSpendsNothing) {
  SpareSetup s({1, 2}, 0);
  for (Word16 spare : {Word16{-40}, Word16{0}, Word16{7}}) {
    Word16 *cursor = s.words.data();
    spend_spare_bits<PortableKernels>(s.normalized, s.allocation, s.band_order, s.indices, &cursor, 44, spare);
    EXPECT_EQ(cursor, s.words.data()) << spare;
    EXPECT_EQ(s.allocation[1], 0);
  }
}

}  // namespace
