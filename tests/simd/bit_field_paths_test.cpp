// Bit fields of up to 15 bits are read and written in plain arithmetic; 16
// and more keep the saturating operators. Every pattern of up to 15 bits
// round-trips as its binary number, and a 16-bit field with its top bit set
// still reads as 32767 with Overflow.
#include <gtest/gtest.h>

#include <vector>

#include "frame/bit_words.h"

namespace {

TEST(BitFieldPaths, EveryFieldUpTo15BitsReadsAsItsBinaryNumber) {
  for (Word16 n = 1; n <= 15; ++n) {
    for (int v = 0; v < (1 << n); v += (n > 12 ? 7 : 1)) {
      Word16 words[16];
      for (int j = 0; j < n; ++j) words[j] = ((v >> (n - 1 - j)) & 1) ? BIT_WORD_ONE : BIT_WORD_ZERO;
      Overflow = 0;
      Word16 read = -1;
      g719_read_value(words, n, &read);
      ASSERT_EQ(read, v) << n << " bits";
      Word16 written[16];
      g719_write_value(static_cast<Word16>(v), n, written);
      for (int j = 0; j < n; ++j) ASSERT_EQ(written[j], words[j]) << n << " bits, value " << v << ", bit " << j;
      ASSERT_EQ(Overflow, 0);
    }
  }
  // Negative values write their low n bits.
  Word16 words[4];
  g719_write_value(-1, 4, words);
  for (Word16 w : words) EXPECT_EQ(w, BIT_WORD_ONE);
  g719_write_value(-8, 4, words);
  EXPECT_EQ(words[0], BIT_WORD_ONE);
  EXPECT_EQ(words[3], BIT_WORD_ZERO);
}

TEST(BitFieldPaths, SixteenBitFieldsKeepTheSaturatingRead) {
  std::vector<Word16> words(16, BIT_WORD_ZERO);
  words[0] = BIT_WORD_ONE;
  words[15] = BIT_WORD_ONE;
  Overflow = 0;
  Word16 v = 0;
  g719_read_value(words.data(), 16, &v);
  EXPECT_EQ(v, 32767);
  EXPECT_EQ(Overflow, 1);
  Overflow = 0;
  std::vector<Word16> written(17);
  g719_write_value(-2, 17, written.data());
  EXPECT_EQ(written[0], BIT_WORD_ONE);   // sign bits above bit 15
  EXPECT_EQ(written[16], BIT_WORD_ZERO);
  EXPECT_EQ(written[15], BIT_WORD_ONE);
}

}  // namespace
