// Writing and reading frame fields as bit words, and packing them into bytes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "frame/bit_words.h"
#include "frame/frame_bytes.h"
#include "frame/kernel_sets.h"

namespace {

constexpr Word16 O = BIT_WORD_ONE;
constexpr Word16 Z = BIT_WORD_ZERO;
constexpr Word16 kUntouched = 0x1234;

TEST(BitWords, WriterPutsFieldsMostSignificantBitFirstAndNothingPastThem) {
  std::array<Word16, 12> w;
  w.fill(kUntouched);
  BitWordWriter writer(w.data());
  writer.put(5, 3);
  writer.put(static_cast<std::uint16_t>(-3), 4);  // the low bits of a negative value: 1101
  writer.put(0x2, 3);
  Word16 *end = writer.finish();
  EXPECT_EQ(end, w.data() + 10);
  EXPECT_EQ(w, (std::array<Word16, 12>{O, Z, O, O, O, Z, O, Z, O, Z, kUntouched, kUntouched}));
}

TEST(BitWords, ReaderTakesFieldsBackAndReadsPastTheEndAsZeros) {
  std::vector<Word16> w(40, O);
  BitWordWriter writer(w.data());
  for (int n = 1; n <= 6; ++n) writer.put(static_cast<std::uint32_t>(n), n);  // 21 words
  writer.finish();
  BitWordReader<PortableKernels> reader(w.data(), 21);
  for (int n = 1; n <= 6; ++n) EXPECT_EQ(reader.take(n), static_cast<std::uint32_t>(n)) << "width " << n;
  EXPECT_EQ(reader.consumed(), 21);
  EXPECT_EQ(reader.take(16), 0u) << "words from the available count on are 0 bits, whatever they hold";
  EXPECT_EQ(reader.consumed(), 37);
}

TEST(BitWords, OnlyTheOneWordIsAOneBit) {
  // Words that differ from BIT_WORD_ONE in one bit, in either byte, or in sign.
  const std::array<Word16, 16> w = {0x0081, 0x0080, 0x0083, 0x00C1, 0x0181, static_cast<Word16>(0x8081), -0x81, 0x7F,
                                    0x0001, 0x0081, 0x0000, 0x0081, 0x4081, 0x0091, 0x0085, 0x0081};
  const std::uint32_t want = 0x8000 | 0x40 | 0x10 | 0x1;
  EXPECT_EQ(gather_16_bits(w.data()), want);
  EXPECT_EQ(BitWordReader<PortableKernels>(w.data(), 16).take(16), want);
  std::uint8_t bytes[2];
  pack_bit_words(w.data(), 2, bytes);
  EXPECT_EQ(bytes[0], want >> 8);
  EXPECT_EQ(bytes[1], want & 0xFF);
}

TEST(BitWords, BytesUnpackMostSignificantBitFirst) {
  const std::uint8_t bytes[2] = {0x80, 0x40};
  std::array<Word16, 16> w;
  unpack_frame_bytes(bytes, 2, w.data());
  EXPECT_EQ(w, (std::array<Word16, 16>{O, Z, Z, Z, Z, Z, Z, Z, Z, O, Z, Z, Z, Z, Z, Z}));
}

}  // namespace
