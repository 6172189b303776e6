// Band layout, norm level table, transient coding order and the norm
// difference Huffman code.
#include <gtest/gtest.h>

#include <set>

#include "spectral_enc/band_tables.h"
#include "spectral_enc/norm_huffman.h"

namespace {

TEST(BandTables, LayoutRowsAndContiguity) {
  // Group edges and a sample of rows.
  EXPECT_EQ(band_start_table[0], 0);
  EXPECT_EQ(band_start_table[1], 8);
  EXPECT_EQ(band_start_table[15], 120);
  EXPECT_EQ(band_start_table[16], 128);
  EXPECT_EQ(band_start_table[17], 144);
  EXPECT_EQ(band_start_table[23], 240);
  EXPECT_EQ(band_start_table[24], 256);
  EXPECT_EQ(band_start_table[25], 280);
  EXPECT_EQ(band_start_table[35], 520);
  EXPECT_EQ(band_start_table[36], 544);
  EXPECT_EQ(band_start_table[37], 576);
  EXPECT_EQ(band_start_table[43], 768);
  EXPECT_EQ(band_end_table[43], 800);

  int width_count[33] = {};
  for (int b = 0; b < kNumBands; ++b) {
    EXPECT_EQ(band_end_table[b], band_start_table[b] + band_width_table[b]) << b;
    if (b > 0) {
      EXPECT_EQ(band_start_table[b], band_end_table[b - 1]) << b;
    }
    ASSERT_LE(band_width_table[b], 32);
    ++width_count[band_width_table[b]];
  }
  EXPECT_EQ(width_count[8], 16);
  EXPECT_EQ(width_count[16], 8);
  EXPECT_EQ(width_count[24], 12);
  EXPECT_EQ(width_count[32], 8);
  EXPECT_EQ(band_width_table[15], 8);
  EXPECT_EQ(band_width_table[16], 16);
  EXPECT_EQ(band_width_table[24], 24);
  EXPECT_EQ(band_width_table[36], 32);
}

TEST(BandTables, NormLevels) {
  EXPECT_EQ(norm_level_table[0], 34);
  EXPECT_EQ(norm_level_table[34], 0);
  EXPECT_EQ(norm_level_table[39], -5);
  for (int i = 1; i < kNumNormIndices; ++i) EXPECT_EQ(norm_level_table[i], norm_level_table[i - 1] - 1);
  // Outside the table the level keeps following 34 - index, saturated.
  EXPECT_EQ(norm_level_of(17), 17);
  EXPECT_EQ(norm_level_of(40), -6);
  EXPECT_EQ(norm_level_of(-3), 37);
  EXPECT_EQ(norm_level_of(-32768), 32767);
  EXPECT_EQ(norm_level_of(32767), -32733);
}

TEST(BandTables, TransientOrderAndItsInverse) {
  const Word16 listed_inverse[kNumBands] = {0,  1,  21, 20, 22, 23, 43, 42, 2,  3,  19, 18, 24, 25, 41,
                                            40, 4,  17, 26, 39, 5,  16, 27, 38, 6,  15, 28, 37, 7,  14,
                                            29, 36, 8,  13, 30, 35, 9,  12, 31, 34, 10, 11, 32, 33};
  std::set<int> seen;
  for (int k = 0; k < kNumBands; ++k) seen.insert(transient_norm_order[k]);
  EXPECT_EQ(seen.size(), 44u);
  EXPECT_EQ(*seen.begin(), 0);
  EXPECT_EQ(*seen.rbegin(), 43);
  for (int b = 0; b < kNumBands; ++b) {
    EXPECT_EQ(transient_norm_position[b], listed_inverse[b]) << b;
    EXPECT_EQ(transient_norm_order[transient_norm_position[b]], b);
  }
  // Sub-block 0 climbs to band 40 and sub-block 1 starts at the top, band 41.
  EXPECT_EQ(transient_norm_order[10], 40);
  EXPECT_EQ(transient_norm_order[11], 41);
}

// Decodes one code word with the bit-by-bit tree a decoder uses.
int decode_tree(const int *bits, int *used) {
  const int b0 = bits[0], b1 = bits[1], c = bits[2];
  if (c == 0) {
    *used = 3;
    return 16 - 2 * b0 + b1;
  }
  if (bits[3] == 0) {
    *used = 4;
    return 12 + 6 * b0 + b1;
  }
  const int e = bits[4], f = bits[5];
  if (f == 0) {
    *used = 6;
    return (e == 0 ? 8 : 20) + 2 * b0 + b1;
  }
  *used = 7;
  return 2 * b0 + b1 + 4 * bits[6] + (e == 1 ? 24 : 0);
}

TEST(NormHuffman, SampleRows) {
  EXPECT_EQ(norm_diff_huffman_codes[0], 26);
  EXPECT_EQ(norm_diff_huffman_lengths[0], 7);
  EXPECT_EQ(norm_diff_huffman_codes[11], 60);
  EXPECT_EQ(norm_diff_huffman_lengths[11], 6);
  EXPECT_EQ(norm_diff_huffman_codes[15], 6);
  EXPECT_EQ(norm_diff_huffman_lengths[15], 3);
  EXPECT_EQ(norm_diff_huffman_codes[16], 0);
  EXPECT_EQ(norm_diff_huffman_codes[19], 14);
  EXPECT_EQ(norm_diff_huffman_lengths[19], 4);
  EXPECT_EQ(norm_diff_huffman_codes[31], 127);
  EXPECT_EQ(norm_diff_huffman_lengths[31], 7);
}

TEST(NormHuffman, CompletePrefixFreeAndMatchesDecoderTree) {
  // Kraft sum of exactly 1 (in units of 2^-7) means complete.
  int kraft = 0;
  for (int s = 0; s < kNumNormDiffCodes; ++s) {
    const int len = norm_diff_huffman_lengths[s];
    ASSERT_GE(len, 3);
    ASSERT_LE(len, 7);
    ASSERT_LT(norm_diff_huffman_codes[s], 1 << len);
    kraft += 1 << (7 - len);
  }
  EXPECT_EQ(kraft, 128);
  for (int s = 0; s < kNumNormDiffCodes; ++s) {
    for (int t = 0; t < kNumNormDiffCodes; ++t) {
      if (s == t) continue;
      const int ls = norm_diff_huffman_lengths[s], lt = norm_diff_huffman_lengths[t];
      if (ls > lt) continue;
      EXPECT_NE(norm_diff_huffman_codes[t] >> (lt - ls), norm_diff_huffman_codes[s]) << s << " prefixes " << t;
    }
  }
  for (int s = 0; s < kNumNormDiffCodes; ++s) {
    int bits[7] = {};
    const int len = norm_diff_huffman_lengths[s];
    for (int i = 0; i < len; ++i) bits[i] = (norm_diff_huffman_codes[s] >> (len - 1 - i)) & 1;
    int used = 0;
    EXPECT_EQ(decode_tree(bits, &used), s);
    EXPECT_EQ(used, len) << s;
  }
}

TEST(NormHuffman, Cost) {
  Word16 codes[43];
  for (Word16 &c : codes) c = 15;
  EXPECT_EQ(norm_diff_huffman_cost(codes, 43), 129);
  codes[0] = 0;    // 7 bits
  codes[1] = 12;   // 4 bits
  codes[2] = 22;   // 6 bits
  codes[3] = 99;   // not a code: counted as 7
  EXPECT_EQ(norm_diff_huffman_cost(codes, 43), 129 - 12 + 7 + 4 + 6 + 7);
  EXPECT_EQ(norm_diff_huffman_cost(codes, 0), 0);
}

}  // namespace
