// Norm decoding: the difference code tree, the two norm field layouts, and
// the rebuilding of indices with the clamping of corrupt running sums.
#include "spectral_dec/norm_decoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "bit_builder.h"
#include "frame/kernel_sets.h"

namespace {

// Code words of the norm difference symbols 0..31, as bit strings.
const std::array<std::string, 32> kNormCodeWords = {
    "0011010", "0111010", "1011010", "1111010", "0011011", "0111011", "1011011", "1111011",
    "001100",  "011100",  "101100",  "111100",  "0010",    "0110",    "100",     "110",
    "000",     "010",     "1010",    "1110",    "001110",  "011110",  "101110",  "111110",
    "0011110", "0111110", "1011110", "1111110", "0011111", "0111111", "1011111", "1111111"};

// Coding position k of a transient frame holds band kCodingOrder[k].
const std::array<int, 44> kCodingOrder = {0,  1,  8,  9,  16, 20, 24, 28, 32, 36, 40, 41, 37, 33, 29,
                                          25, 21, 17, 11, 10, 3,  2,  4,  5,  12, 13, 18, 22, 26, 30,
                                          34, 38, 42, 43, 39, 35, 31, 27, 23, 19, 15, 14, 7,  6};

// Reads the norm fields of frame from its first word, as the spectral decoder
// does; *consumed receives the words they took.
Word16 read_norms(const BitBuilder &frame, Word16 huffman, Word16 *symbols, std::ptrdiff_t *consumed = nullptr) {
  BitWordReader<PortableKernels> reader(frame.data(), frame.capacity());
  const Word16 bits = read_norm_symbols(reader, huffman, symbols);
  if (consumed != nullptr) *consumed = reader.consumed();
  return bits;
}

TEST(NormSymbolDecoding, DecodesEveryCodeWordInAStream) {
  std::mt19937 rng(7);
  std::array<Word16, 44> expected{};
  BitBuilder frame(400);
  frame.value(0, 5);
  for (int i = 1; i < 44; ++i) {
    // Cover all 32 symbols, then random ones.
    expected[i] = static_cast<Word16>(i <= 32 ? i - 1 : static_cast<int>(rng() % 32));
    frame.bits(kNormCodeWords[expected[i]]);
  }
  std::array<Word16, 44> symbols{};
  read_norms(frame, 1, symbols.data());
  for (int i = 1; i < 44; ++i) EXPECT_EQ(symbols[i], expected[i]) << "symbol " << i;
}

TEST(NormSymbolDecoding, EveryBitPatternStartsWithTheDecodedCodeWord) {
  // The code is complete: any 7 bits begin with exactly one code word.
  for (int pattern = 0; pattern < 128; ++pattern) {
    BitBuilder frame(400);
    frame.value(0, 5);
    frame.value(pattern, 7);
    Word16 symbols[44] = {0, -1};
    read_norms(frame, 1, symbols);
    ASSERT_GE(symbols[1], 0);
    ASSERT_LT(symbols[1], 32);
    const std::string &word = kNormCodeWords[symbols[1]];
    std::string bits;
    for (int i = 6; i >= 0; --i) bits += ((pattern >> i) & 1) ? '1' : '0';
    EXPECT_EQ(bits.substr(0, word.size()), word) << "pattern " << bits;
  }
}

TEST(NormFieldReading, FiveBitModeAlwaysTakes215Bits) {
  std::mt19937 rng(3);
  BitBuilder frame(300);
  std::array<int, 44> fields{};
  for (int i = 0; i < 44; ++i) {
    fields[i] = static_cast<int>(rng() % 32);
    frame.value(fields[i], 5);
  }
  std::array<Word16, 44> symbols{};
  std::ptrdiff_t consumed = 0;
  EXPECT_EQ(read_norms(frame, 0, symbols.data(), &consumed), 215);
  EXPECT_EQ(consumed, 220);
  for (int i = 0; i < 44; ++i) EXPECT_EQ(symbols[i], fields[i]);
}

TEST(NormFieldReading, HuffmanModeCountsCodeLengths) {
  BitBuilder frame(400);
  frame.value(21, 5);
  int total = 0;
  for (int i = 1; i < 44; ++i) {
    const int s = (i * 7) % 32;
    frame.bits(kNormCodeWords[s]);
    total += static_cast<int>(kNormCodeWords[s].size());
  }
  std::array<Word16, 44> symbols{};
  std::ptrdiff_t consumed = 0;
  EXPECT_EQ(read_norms(frame, 1, symbols.data(), &consumed), total);
  EXPECT_EQ(consumed, 5 + total);
  EXPECT_EQ(symbols[0], 21);
  for (int i = 1; i < 44; ++i) EXPECT_EQ(symbols[i], (i * 7) % 32);
}

TEST(NormFieldReading, AllZeroDifferencesTake129HuffmanBitsAndGiveEqualIndices) {
  BitBuilder frame(300);
  frame.value(17, 5);
  for (int i = 1; i < 44; ++i) frame.bits("110");
  std::array<Word16, 44> symbols{};
  EXPECT_EQ(read_norms(frame, 1, symbols.data()), 129);
  for (Word16 transient : {Word16{0}, Word16{1}}) {
    std::array<Word16, 44> index{}, level{};
    rebuild_norm_indices(symbols.data(), transient, index.data(), level.data());
    for (int b = 0; b < 44; ++b) {
      EXPECT_EQ(index[b], 17);
      EXPECT_EQ(level[b], 17);
    }
  }
}

TEST(NormRebuilding, StationaryRunningSumInBandOrder) {
  std::array<Word16, 44> symbols{};
  symbols[0] = 20;
  std::array<int, 44> expected{};
  expected[0] = 20;
  std::mt19937 rng(11);
  for (int i = 1; i < 44; ++i) {
    // Differences that keep the sum inside 0..39.
    int d;
    do {
      d = static_cast<int>(rng() % 32) - 15;
    } while (expected[i - 1] + d < 0 || expected[i - 1] + d > 39);
    symbols[i] = static_cast<Word16>(d + 15);
    expected[i] = expected[i - 1] + d;
  }
  std::array<Word16, 44> index{}, level{};
  rebuild_norm_indices(symbols.data(), 0, index.data(), level.data());
  for (int b = 0; b < 44; ++b) {
    EXPECT_EQ(index[b], expected[b]) << b;
    EXPECT_EQ(level[b], 34 - expected[b]) << b;
  }
}

TEST(NormRebuilding, ClampedSumIsTheBaseOfTheNextSum) {
  // 2, -15 -> 0 (not -13), +16 -> 16, +16 -> 32, +16 -> 39 (not 48),
  // -15 -> 24 (not 33), then -15 twice -> 9, 0 (not -6).
  std::array<Word16, 44> symbols{};
  symbols.fill(15);
  const int diffs[] = {-15, 16, 16, 16, -15, -15, -15};
  symbols[0] = 2;
  for (int i = 0; i < 7; ++i) symbols[i + 1] = static_cast<Word16>(diffs[i] + 15);
  const int expected[] = {2, 0, 16, 32, 39, 24, 9, 0};
  std::array<Word16, 44> index{}, level{};
  rebuild_norm_indices(symbols.data(), 0, index.data(), level.data());
  for (int b = 0; b < 8; ++b) EXPECT_EQ(index[b], expected[b]) << b;
  for (int b = 8; b < 44; ++b) EXPECT_EQ(index[b], 0) << b;
  for (int b = 0; b < 44; ++b) EXPECT_EQ(level[b], 34 - index[b]) << b;
}

TEST(NormRebuilding, TransientSumRunsInCodingOrderWithClamping) {
  // +1 at every coding position: position k holds min(5 + k, 39), then the
  // last four positions fall by 15 each from the clamped 39: 24, 9, 0, 0.
  std::array<Word16, 44> symbols{};
  symbols[0] = 5;
  for (int k = 1; k < 44; ++k) symbols[k] = 16;
  for (int k = 40; k < 44; ++k) symbols[k] = 0;
  std::array<int, 44> at_position{};
  for (int k = 0; k < 40; ++k) at_position[k] = std::min(5 + k, 39);
  at_position[40] = 24;
  at_position[41] = 9;
  at_position[42] = 0;
  at_position[43] = 0;
  std::array<Word16, 44> index{}, level{};
  rebuild_norm_indices(symbols.data(), 1, index.data(), level.data());
  for (int k = 0; k < 44; ++k) {
    const int band = kCodingOrder[k];
    EXPECT_EQ(index[band], at_position[k]) << "coding position " << k << ", band " << band;
    EXPECT_EQ(level[band], 34 - at_position[k]);
  }
  EXPECT_EQ(index[0], 5) << "band 0 keeps the first index";
}

}  // namespace
