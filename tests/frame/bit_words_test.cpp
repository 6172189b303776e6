// Writing and reading frame fields as bit words.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "frame/bit_words.h"

namespace {

constexpr Word16 O = BIT_WORD_ONE;
constexpr Word16 Z = BIT_WORD_ZERO;
constexpr Word16 kUntouched = 0x1234;

TEST(BitWords, SingleValuesMostSignificantBitFirst) {
  std::array<Word16, 4> w;
  w.fill(kUntouched);
  g719_write_value(5, 3, w.data());
  EXPECT_EQ(w, (std::array<Word16, 4>{O, Z, O, kUntouched}));
  Word16 v = -1;
  g719_read_value(w.data(), 3, &v);
  EXPECT_EQ(v, 5);

  w.fill(kUntouched);
  g719_write_value(3, 2, w.data());
  EXPECT_EQ(w, (std::array<Word16, 4>{O, O, kUntouched, kUntouched}));

  w.fill(kUntouched);
  g719_write_value(3, 0, w.data());
  g719_write_value(3, -2, w.data());
  EXPECT_EQ(w, (std::array<Word16, 4>{kUntouched, kUntouched, kUntouched, kUntouched}));
  v = 99;
  g719_read_value(w.data(), 0, &v);
  EXPECT_EQ(v, 0);
}

TEST(BitWords, NegativeValuesWriteTheirLowBits) {
  std::array<Word16, 4> w{};
  g719_write_value(-3, 4, w.data());  // ...1101
  EXPECT_EQ(w, (std::array<Word16, 4>{O, O, Z, O}));
}

TEST(BitWords, RoundTripEveryWidth) {
  for (Word16 n = 1; n <= 15; ++n) {
    for (Word32 value = 0; value < (1 << n); value += 1 + (value >> 3)) {
      std::vector<Word16> w(n);
      g719_write_value(static_cast<Word16>(value), n, w.data());
      for (Word16 x : w) ASSERT_TRUE(x == O || x == Z);
      Word16 back = -1;
      g719_read_value(w.data(), n, &back);
      ASSERT_EQ(back, value) << "width " << n;
    }
  }
}

TEST(BitWords, WidthOneArrayIsOneValueOfCountBits) {
  std::array<Word16, 8> values = {0xA5, 7, 7, 7, 7, 7, 7, 7};
  std::array<Word16, 9> w;
  w.fill(kUntouched);
  g719_write_values(values.data(), 8, 1, w.data());
  EXPECT_EQ(w, (std::array<Word16, 9>{O, Z, O, Z, Z, O, Z, O, kUntouched}));

  std::array<Word16, 8> back = {-1, 11, 11, 11, 11, 11, 11, 11};
  g719_read_values(w.data(), 8, 1, back.data());
  EXPECT_EQ(back, (std::array<Word16, 8>{0xA5, 11, 11, 11, 11, 11, 11, 11}));
}

TEST(BitWords, ArraysAreLaidOutBackToBack) {
  const std::array<Word16, 3> values = {1, 2, 3};
  std::array<Word16, 7> w;
  w.fill(kUntouched);
  g719_write_values(values.data(), 3, 2, w.data());
  EXPECT_EQ(w, (std::array<Word16, 7>{Z, O, O, Z, O, O, kUntouched}));
  std::array<Word16, 3> back = {9, 9, 9};
  g719_read_values(w.data(), 3, 2, back.data());
  EXPECT_EQ(back, values);

  // Width 0 reads nothing and yields zeros; count 0 writes nothing.
  g719_read_values(w.data(), 3, 0, back.data());
  EXPECT_EQ(back, (std::array<Word16, 3>{0, 0, 0}));
  w.fill(kUntouched);
  g719_write_values(values.data(), 0, 4, w.data());
  EXPECT_EQ(w[0], kUntouched);
}

TEST(BitWords, OnlyTheOneWordReadsAsOne) {
  const std::array<Word16, 6> w = {0x0000, 0x0080, 0x0082, -0x81, 0x7F, static_cast<Word16>(0x8100)};
  Word16 v = -1;
  g719_read_value(w.data(), 6, &v);
  EXPECT_EQ(v, 0);
  const std::array<Word16, 3> mixed = {0x0081, 0x0000, 0x0081};
  g719_read_value(mixed.data(), 3, &v);
  EXPECT_EQ(v, 5);
}

}  // namespace
