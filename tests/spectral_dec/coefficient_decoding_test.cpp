// Coefficient decoding: the index Huffman codes, the reading of band group
// indices in both coding modes, dequantization at every resolution, and the
// spare-bit vectors.
#include "spectral_dec/coefficient_decoding.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "bit_builder.h"
#include "frame/kernel_sets.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/lattice.h"

namespace {

// Code words of the index components k = 0, 1, ... for R = 2..5.
const std::vector<std::vector<std::string>> kIndexCodeWords = {
    {"0", "110", "111", "10"},
    {"00", "01", "1001", "10000", "10001", "1010", "1011", "11"},
    {"00", "110", "0110", "0111", "10100", "10101", "10110", "101110", "101111", "10000", "10001", "10010", "10011",
     "0100", "0101", "111"},
    {"00", "010", "1000", "10100", "10101", "110000", "110001", "110010", "110011", "1110000", "1110001",
     "1110010", "1110011", "1110100", "1110101", "1110110", "1110111", "1111000", "1111001", "1111010", "1111011",
     "1111100", "1111101", "111111", "110100", "110101", "110110", "110111", "10110", "10111", "1001", "011"}};

const std::vector<std::string> &code_words(int r) { return kIndexCodeWords[r - 2]; }

// Reads the band group indices of frame from its first word; returns the
// words they took.
Word16 read_group(const BitBuilder &frame, const Word16 *allocation, Word16 huffman, Word16 offset, Word16 first,
                  Word16 end, Word16 width, Word16 *index) {
  BitWordReader<PortableKernels> reader(frame.data(), frame.capacity());
  const Word16 read = read_band_group_indices(reader, allocation, huffman, offset, first, end, width, index);
  EXPECT_EQ(reader.consumed(), read);
  return read;
}

// count Huffman-coded components of R bits: one band that wide.
void decode_index(int r, const BitBuilder &frame, Word16 count, Word16 *out) {
  const Word16 allocation[1] = {static_cast<Word16>(r)};
  read_group(frame, allocation, 1, 0, 0, 1, count, out);
}

// Spends spare bits reading from frame's first word; returns the words read.
std::ptrdiff_t read_spare(const BitBuilder &frame, Word16 *allocation, const Word16 *order, Word16 *index,
                     Word16 *normalized, Word16 nb, Word16 spare_bits) {
  BitWordReader<PortableKernels> reader(frame.data(), frame.capacity());
  decode_spare_bits(allocation, order, index, reader, normalized, nb, spare_bits);
  return reader.consumed();
}

TEST(IndexHuffmanDecoding, DecodesStreamsOfEveryComponent) {
  std::mt19937 rng(1);
  for (int r = 2; r <= 5; ++r) {
    const auto &words = code_words(r);
    const int n = static_cast<int>(words.size());
    std::vector<Word16> expected;
    BitBuilder frame(1000);
    for (int i = 0; i < 96; ++i) {
      const int k = i < n ? i : static_cast<int>(rng() % n);
      expected.push_back(static_cast<Word16>(k));
      frame.bits(words[k]);
    }
    std::vector<Word16> out(expected.size(), -1);
    decode_index(r, frame, static_cast<Word16>(out.size()), out.data());
    EXPECT_EQ(out, expected) << "R = " << r;
  }
}

TEST(IndexHuffmanDecoding, EveryBitPatternStartsWithTheDecodedCodeWord) {
  for (int r = 2; r <= 5; ++r) {
    const auto &words = code_words(r);
    for (int pattern = 0; pattern < 128; ++pattern) {
      BitBuilder frame(8);
      frame.value(pattern, 7);
      Word16 k = -1;
      decode_index(r, frame, 1, &k);
      ASSERT_GE(k, 0);
      ASSERT_LT(k, static_cast<int>(words.size()));
      std::string bits;
      for (int i = 6; i >= 0; --i) bits += ((pattern >> i) & 1) ? '1' : '0';
      EXPECT_EQ(bits.substr(0, words[k].size()), words[k]) << "R = " << r << ", bits " << bits;
    }
  }
}

TEST(IndexHuffmanDecoding, RoundTripsTheEncodersLatticeIndices) {
  // Indices of real lattice points, as the encoder produces them, survive the
  // Huffman code and map back to the same points.
  std::mt19937 rng(9);
  for (int r = 2; r <= 5; ++r) {
    for (int trial = 0; trial < 200; ++trial) {
      Word16 z[8];
      int sum = 0;
      for (int i = 0; i < 8; ++i) {
        z[i] = static_cast<Word16>(static_cast<int>(rng() % 9) - 4);
        sum += z[i];
      }
      if (sum % 2 != 0) z[7] = static_cast<Word16>(z[7] + 1);
      Word16 k[8];
      d8_point_to_index(z, k, static_cast<Word16>(1 << r));
      BitBuilder frame(64);
      for (Word16 c : k) frame.bits(code_words(r)[c]);
      Word16 decoded[8];
      decode_index(r, frame, 8, decoded);
      Word16 x_sent[8], x_decoded[8];
      d8_index_to_point(k, x_sent, static_cast<Word16>(r));
      d8_index_to_point(decoded, x_decoded, static_cast<Word16>(r));
      for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(decoded[i], k[i]) << "R = " << r;
        ASSERT_EQ(x_decoded[i], x_sent[i]);
      }
    }
  }
}

// Allocation with the given entries for bands first.., 0 elsewhere.
std::array<Word16, 44> allocation_of(int first, std::initializer_list<int> bits) {
  std::array<Word16, 44> a{};
  int b = first;
  for (int r : bits) a[b++] = static_cast<Word16>(r);
  return a;
}

TEST(BandGroupReading, FixedWidthFieldsInBandOrder) {
  // Group 1 (bands 16..23, width 16, index offset 128).
  const auto allocation = allocation_of(16, {0, 1, 2, 3, 6, 9, 5, 4});
  std::mt19937 rng(4);
  std::array<Word16, 800> expected{};
  BitBuilder frame(2000);
  int off = 128;
  int bits = 0;
  for (int b = 16; b < 24; ++b, off += 16) {
    const int r = allocation[b];
    if (r == 1) {
      for (int v = 0; v < 2; ++v) {
        expected[off + 8 * v] = static_cast<Word16>(rng() % 256);
        frame.value(expected[off + 8 * v], 8);
      }
      bits += 16;
    } else if (r >= 2) {
      for (int i = 0; i < 16; ++i) {
        expected[off + i] = static_cast<Word16>(rng() % (1u << r));
        frame.value(expected[off + i], r);
      }
      bits += 16 * r;
    }
  }
  frame.bits("1");
  std::array<Word16, 800> index{};
  const Word16 read = read_group(frame, allocation.data(), 0, 128, 16, 24, 16, index.data());
  EXPECT_EQ(read, bits);
  EXPECT_EQ(frame.data()[read], BIT_WORD_ONE);
  EXPECT_EQ(index, expected);
}

TEST(BandGroupReading, HuffmanModeCodesOnlyTwoToFiveBits) {
  // Group 2 (bands 24..35, width 24, offset 256): R = 1 keeps 8-bit fields and
  // R >= 6 keeps raw fields when Huffman coding is on.
  const auto allocation = allocation_of(24, {2, 3, 4, 5, 1, 6, 7, 0, 8, 9, 2, 0});
  std::mt19937 rng(8);
  std::array<Word16, 800> expected{};
  BitBuilder frame(3000);
  int off = 256;
  int bits = 0;
  for (int b = 24; b < 36; ++b, off += 24) {
    const int r = allocation[b];
    if (r == 1) {
      for (int v = 0; v < 3; ++v) {
        expected[off + 8 * v] = static_cast<Word16>(rng() % 256);
        frame.value(expected[off + 8 * v], 8);
      }
      bits += 24;
    } else if (r >= 6) {
      for (int i = 0; i < 24; ++i) {
        expected[off + i] = static_cast<Word16>(rng() % (1u << r));
        frame.value(expected[off + i], r);
      }
      bits += 24 * r;
    } else if (r >= 2) {
      for (int i = 0; i < 24; ++i) {
        expected[off + i] = static_cast<Word16>(rng() % (1u << r));
        frame.bits(code_words(r)[expected[off + i]]);
        bits += static_cast<int>(code_words(r)[expected[off + i]].size());
      }
    }
  }
  frame.bits("1");
  std::array<Word16, 800> index{};
  const Word16 read = read_group(frame, allocation.data(), 1, 256, 24, 36, 24, index.data());
  EXPECT_EQ(read, bits);
  EXPECT_EQ(frame.data()[read], BIT_WORD_ONE);
  EXPECT_EQ(index, expected);
}

TEST(BandGroupReading, BandsWithoutBitsReadNothing) {
  const std::array<Word16, 44> allocation{};
  BitBuilder frame(64);
  frame.bits("1111111111111111");
  std::array<Word16, 800> index{};
  index.fill(-7);
  EXPECT_EQ(read_group(frame, allocation.data(), 0, 0, 0, 16, 8, index.data()), 0);
  EXPECT_EQ(read_group(frame, allocation.data(), 1, 544, 36, 44, 32, index.data()), 0);
  for (Word16 v : index) ASSERT_EQ(v, -7);
}

// Dequantizes one band of width 8 at R bits with the given index components.
std::array<Word16, 8> dequantize_one(int r, std::array<Word16, 8> k) {
  const auto allocation = allocation_of(3, {r});
  std::array<Word16, 8> out{};
  out.fill(12345);
  dequantize_band_group(k.data(), allocation.data(), 3, 4, 8, out.data());
  return out;
}

TEST(Dequantization, LatticeVectorsAtTwoBits) {
  // Zero index: the origin, 8 coefficients of 4.
  for (int r = 2; r <= 9; ++r) {
    for (Word16 v : dequantize_one(r, {})) EXPECT_EQ(v, 4) << "R = " << r;
  }
  // k = (1, 0, ...): the point (2, 0, ...), 3 * 2^7 * 2 + 4 = 772.
  EXPECT_EQ(dequantize_one(2, {1}), (std::array<Word16, 8>{772, 4, 4, 4, 4, 4, 4, 4}));
  // k = (0, 1, 0, ...): (1, 1, 0, ...) gives 388 twice.
  EXPECT_EQ(dequantize_one(2, {0, 1}), (std::array<Word16, 8>{388, 388, 4, 4, 4, 4, 4, 4}));
  // k = (0, 3, 0, ...): v = (3, 3, 0, ...) wraps to (-1, -1, 0, ...): -380.
  EXPECT_EQ(dequantize_one(2, {0, 3}), (std::array<Word16, 8>{-380, -380, 4, 4, 4, 4, 4, 4}));
}

TEST(Dequantization, LatticeCoefficientsFollowTheScaleOfEachResolution) {
  // Coefficient = 3 * 2^(9-R) * x + 4 for the codebook point x of the index.
  std::mt19937 rng(21);
  for (int r = 2; r <= 9; ++r) {
    for (int trial = 0; trial < 50; ++trial) {
      std::array<Word16, 8> k{};
      for (auto &c : k) c = static_cast<Word16>(rng() % (1u << r));
      Word16 x[8];
      d8_index_to_point(k.data(), x, static_cast<Word16>(r));
      const auto out = dequantize_one(r, k);
      for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(out[i], 3 * (1 << (9 - r)) * x[i] + 4) << "R = " << r << ", x = " << x[i];
      }
    }
  }
}

TEST(Dequantization, OneBitVectors) {
  const auto allocation = allocation_of(16, {1, 1, 1});
  // Band 16: 255 then 0 (255 >= 128, so 0 is the codebook vector with -2 at
  // coefficient 0). Band 17: 100 then 5 (100 < 128 and 5 < 16: all 4).
  // Band 18: 3 first (never the zero vector), then 16, which is not below 16.
  std::array<Word16, 48> index{};
  index[0] = 255;
  index[8] = 0;
  index[16] = 100;
  index[24] = 5;
  index[32] = 3;
  index[40] = 16;
  std::array<Word16, 48> out{};
  dequantize_band_group(index.data(), allocation.data(), 16, 19, 16, out.data());
  const auto vec = [&](int v) { return std::array<Word16, 8>{out[8 * v], out[8 * v + 1], out[8 * v + 2],
                                                               out[8 * v + 3], out[8 * v + 4], out[8 * v + 5],
                                                               out[8 * v + 6], out[8 * v + 7]}; };
  using V = std::array<Word16, 8>;
  EXPECT_EQ(vec(0), (V{236, 236, 236, 236, 236, 236, 236, 236}));
  EXPECT_EQ(vec(1), (V{-462, 4, 4, 4, 4, 4, 4, 4}));
  // Row 100 is (+2, +2) at the first pair (0, 1).
  EXPECT_EQ(vec(2), (V{469, 469, 4, 4, 4, 4, 4, 4}));
  EXPECT_EQ(vec(3), (V{4, 4, 4, 4, 4, 4, 4, 4}));
  EXPECT_EQ(vec(4), (V{4, 4, 4, -462, 4, 4, 4, 4}));
  // Row 16 is (-2, -2) at (0, 1).
  EXPECT_EQ(vec(5), (V{-462, -462, 4, 4, 4, 4, 4, 4}));
}

TEST(Dequantization, OneBitRowsWithUnitComponents) {
  const auto allocation = allocation_of(0, {1, 1, 1});
  std::array<Word16, 24> index{};
  index[0] = 128;  // -1 at (0, 1), +1 elsewhere
  index[8] = 254;  // all -1
  index[16] = 226;  // +1 at (0, 1), -1 elsewhere
  std::array<Word16, 24> out{};
  dequantize_band_group(index.data(), allocation.data(), 0, 3, 8, out.data());
  const std::array<Word16, 24> expected = {-229, -229, 236,  236,  236,  236,  236,  236,
                                           -229, -229, -229, -229, -229, -229, -229, -229,
                                           236,  236,  -229, -229, -229, -229, -229, -229};
  EXPECT_EQ(out, expected);
}

TEST(Dequantization, BandsWithoutBitsAreZeroAndLayoutFollowsTheWidth) {
  // Group 3 (width 32): band 37 has R = 2 with all-zero indices, the others 0.
  const auto allocation = allocation_of(36, {0, 2, 0});
  std::array<Word16, 96> index{};
  std::array<Word16, 96> out{};
  out.fill(999);
  dequantize_band_group(index.data(), allocation.data(), 36, 39, 32, out.data());
  for (int i = 0; i < 96; ++i) EXPECT_EQ(out[i], (i >= 32 && i < 64) ? 4 : 0) << i;
}

// band_order with the given bands first, then the rest in ascending order.
std::array<Word16, 44> order_with(std::initializer_list<int> first) {
  std::array<Word16, 44> order{};
  std::array<bool, 44> used{};
  int p = 0;
  for (int b : first) {
    order[p++] = static_cast<Word16>(b);
    used[b] = true;
  }
  for (int b = 0; b < 44; ++b) {
    if (!used[b]) order[p++] = static_cast<Word16>(b);
  }
  return order;
}

TEST(SpareBits, SkipsBandsThatDoNotFitAndServesLaterNarrowerOnes) {
  // Candidates in priority order: band 30 (24 wide), band 3 (8), band 20 (16),
  // band 5 (8). With 20 spare bits: skip 30, serve 3 (12 left), skip 20, serve
  // 5 (4 left).
  std::array<Word16, 44> allocation{};
  allocation.fill(2);
  for (int b : {30, 3, 20, 5}) allocation[b] = 0;
  const auto order = order_with({7, 30, 3, 20, 5});
  BitBuilder frame(64);
  frame.value(255, 8).value(200, 8).bits("1");
  std::array<Word16, 800> index{}, normalized{};
  const std::ptrdiff_t read =
      read_spare(frame, allocation.data(), order.data(), index.data(), normalized.data(), 44, 20);
  EXPECT_EQ(read, 16);
  EXPECT_EQ(allocation[30], 0);
  EXPECT_EQ(allocation[3], 1);
  EXPECT_EQ(allocation[20], 0);
  EXPECT_EQ(allocation[5], 1);
  EXPECT_EQ(index[band_start_table[3]], 255);
  EXPECT_EQ(index[band_start_table[5]], 200);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(normalized[band_start_table[3] + i], 236);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(normalized[band_start_table[30] + i], 0);
}

TEST(SpareBits, TopPriorityPositionIsNeverServed) {
  std::array<Word16, 44> allocation{};
  allocation.fill(1);
  allocation[9] = 0;
  const auto order = order_with({9});
  BitBuilder frame(64);
  frame.bits("1111111111");
  std::array<Word16, 800> index{}, normalized{};
  const std::ptrdiff_t read =
      read_spare(frame, allocation.data(), order.data(), index.data(), normalized.data(), 44, 500);
  EXPECT_EQ(read, 0);
  EXPECT_EQ(allocation[9], 0);
}

TEST(SpareBits, ServesInPriorityOrderUntilTheBitsRunOut) {
  // Bands 12, 2, 40 have no bits; 12 and 2 fit (16 bits), 40 (32) does not.
  std::array<Word16, 44> allocation{};
  allocation.fill(3);
  for (int b : {12, 2, 40}) allocation[b] = 0;
  const auto order = order_with({0, 12, 2, 40});
  BitBuilder frame(64);
  frame.value(9, 8).value(10, 8);
  std::array<Word16, 800> index{}, normalized{};
  const std::ptrdiff_t read =
      read_spare(frame, allocation.data(), order.data(), index.data(), normalized.data(), 44, 47);
  EXPECT_EQ(read, 16);
  EXPECT_EQ(index[band_start_table[12]], 9) << "the higher-priority band reads first";
  EXPECT_EQ(index[band_start_table[2]], 10);
  EXPECT_EQ(allocation[40], 0);
}

TEST(SpareBits, NegativeOrSmallSpareSpendsNothing) {
  for (Word16 spare : {Word16{-300}, Word16{0}, Word16{7}}) {
    std::array<Word16, 44> allocation{};
    const auto order = order_with({});
    BitBuilder frame(16);
    std::array<Word16, 800> index{}, normalized{};
    const std::ptrdiff_t read =
        read_spare(frame, allocation.data(), order.data(), index.data(), normalized.data(), 44, spare);
    EXPECT_EQ(read, 0) << spare;
    for (Word16 a : allocation) EXPECT_EQ(a, 0);
  }
}

TEST(SpareBits, OnlyTheFirstNbPositionsAreScanned) {
  // With nb = 36, bands 36..43 are never served, even with bits to spare.
  std::array<Word16, 44> allocation{};
  for (int b = 0; b < 36; ++b) allocation[b] = 1;
  const auto order = order_with({});
  BitBuilder frame(16);
  std::array<Word16, 800> index{}, normalized{};
  const std::ptrdiff_t read =
      read_spare(frame, allocation.data(), order.data(), index.data(), normalized.data(), 36, 1000);
  EXPECT_EQ(read, 0);
  for (int b = 36; b < 44; ++b) EXPECT_EQ(allocation[b], 0);
}

}  // namespace
