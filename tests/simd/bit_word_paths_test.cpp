// Block forms of bit-word writing and reading against writing and reading
// one word per bit: the byte-table writer, the 16-word gathers (portable and
// AVX2) and the block reader on both kernel sets give the same words and
// values on random and edge fields, touch nothing past their fields, and
// treat any word other than BIT_WORD_ONE as a 0.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "frame/bit_words.h"
#include "frame/kernel_sets.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/coef_huffman.h"
#include "spectral_enc/coefficient_coding.h"

namespace {

constexpr Word16 kSentinel = 0x5A5A;

// The n low bits of value into words[0 .. n-1], most significant first.
void write_bits(int value, int n, Word16 *words) {
  for (int j = 0; j < n; ++j) words[j] = ((value >> (n - 1 - j)) & 1) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
}

// The bits of words[0 .. 15], words[0] on top, one word at a time.
std::uint32_t read_16_bits(const Word16 *words) {
  std::uint32_t bits = 0;
  for (int k = 0; k < 16; ++k) bits = (bits << 1) | (words[k] == BIT_WORD_ONE ? 1u : 0u);
  return bits;
}

// Any word, with ONE and ZERO most of the time.
Word16 random_word(std::mt19937 &rng) {
  switch (rng() % 8) {
    case 0: return static_cast<Word16>(rng());
    case 1: return static_cast<Word16>(BIT_WORD_ONE + (rng() % 3) - 1);  // 0x80, 0x81, 0x82
    default: return (rng() & 1) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
  }
}

TEST(BitWordPaths, WriterStoresTheFieldsBitByBitAndNothingMore) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 3000; ++trial) {
    const int fields = static_cast<int>(rng() % 40);
    std::vector<Word16> expected(700, kSentinel), got(700, kSentinel);
    BitWordWriter writer(got.data());
    int at = 0;
    for (int f = 0; f < fields; ++f) {
      const int n = static_cast<int>(rng() % 17);  // 0..16
      const Word16 value = static_cast<Word16>(rng());
      write_bits(value, n, expected.data() + at);
      writer.put(static_cast<std::uint16_t>(value), n);
      at += n;
      if (rng() % 7 == 0) {
        ASSERT_EQ(writer.finish(), got.data() + at);  // finish in the middle too
      }
    }
    ASSERT_EQ(writer.finish(), got.data() + at);
    ASSERT_EQ(got, expected) << "trial " << trial;
  }
}

// Takes random fields with the reader of the kernel set K from words whose
// first `available` are read, against reading them one word at a time.
template <class K>
void expect_reader_fields(std::mt19937 &rng, const std::vector<Word16> &words, int available) {
  BitWordReader<K> reader(words.data(), available);
  int at = 0;
  while (at < 560) {
    const int n = 1 + static_cast<int>(rng() % 16);
    std::uint32_t want = 0;
    for (int j = 0; j < n; ++j) want = (want << 1) | (at + j < available && words[at + j] == BIT_WORD_ONE ? 1u : 0u);
    if (rng() % 3 == 0) {
      ASSERT_EQ(reader.peek(n), want) << "at " << at << " n " << n;
      const int s = static_cast<int>(rng() % (n + 1));
      reader.skip(s);
      at += s;
    } else {
      ASSERT_EQ(reader.take(n), want) << "at " << at << " n " << n;
      at += n;
    }
    ASSERT_EQ(reader.consumed(), at);
  }
}

TEST(BitWordPaths, GatherAndReaderMatchBitwiseReadsOnAnyWords) {
  std::mt19937 rng(13);
  std::vector<Word16> words(600);
  for (int trial = 0; trial < 2000; ++trial) {
    for (auto &w : words) w = random_word(rng);
    for (int k = 0; k + 16 <= 64; ++k) {
      ASSERT_EQ(gather_16_bits(&words[k]), read_16_bits(&words[k]));
      if (g719_kernel_set_supported(KernelSet::kAvx2)) {
        ASSERT_EQ(gather_16_bits_avx2(&words[k]), read_16_bits(&words[k]));
      }
    }
    // Everything past `available` is BIT_WORD_ONE: a reader that looked at it
    // would return 1 bits where the padding it stands for reads as 0.
    const int available = static_cast<int>(rng() % 400);
    for (int k = available; k < 600; ++k) words[k] = BIT_WORD_ONE;
    expect_reader_fields<PortableKernels>(rng, words, available);
    if (g719_kernel_set_supported(KernelSet::kAvx2)) expect_reader_fields<Avx2Kernels>(rng, words, available);
  }
}

// The group writer one field at a time, one word per bit.
Word16 write_group_bitwise(const Word16 *indices, const Word16 *allocation, Word16 *words, Word16 flag,
                           Word16 first_band, Word16 end_band, Word16 width) {
  Word16 written = 0;
  const Word16 *band = indices;
  for (Word16 b = first_band; b < end_band; b++, band += width) {
    const Word16 r = allocation[b];
    if (r <= 0) continue;
    if (r == 1) {
      for (Word16 v = 0; v < width / 8; v++) {
        write_bits(band[8 * v], 8, words + written);
        written = add(written, 8);
      }
    } else if (flag != 0 && r <= kCoefHuffmanMaxBits) {
      for (Word16 i = 0; i < width; i++) {
        const int entry = coef_huffman_offsets[r] + (band[i] & ((1 << r) - 1));
        write_bits(coef_huffman_codes[entry], coef_huffman_lengths[entry], words + written);
        written = add(written, coef_huffman_lengths[entry]);
      }
    } else {
      for (Word16 i = 0; i < width; i++) {
        write_bits(band[i], r, words + written);
        written = add(written, r);
      }
    }
  }
  return written;
}

TEST(BitWordPaths, GroupIndicesAreWrittenAsFieldByField) {
  std::mt19937 rng(14);
  for (int trial = 0; trial < 400; ++trial) {
    Word16 allocation[kNumBands];
    for (auto &a : allocation) {
      const int pick = static_cast<int>(rng() % 12);
      a = static_cast<Word16>(pick <= 9 ? pick : (pick == 10 ? -1 : 16));
    }
    std::vector<Word16> indices(kCodedCoefficients);
    for (auto &x : indices)
      x = static_cast<Word16>(trial % 5 == 0 ? static_cast<int>(rng()) : static_cast<int>(rng() % 512));
    for (Word16 flag = 0; flag <= 1; ++flag) {
      for (int g = 0; g < kNumBandGroups; ++g) {
        const Word16 first = band_group_first_band[g];
        const Word16 end = static_cast<Word16>(first + band_group_band_count[g]);
        std::vector<Word16> expected(8000, kSentinel), got(8000, kSentinel);
        const Word16 n_expected = write_group_bitwise(&indices[band_group_start[g]], allocation, expected.data(), flag,
                                                      first, end, band_group_width[g]);
        const Word16 n_got = write_band_group_indices(&indices[band_group_start[g]], allocation, got.data(), flag,
                                                      first, end, band_group_width[g]);
        ASSERT_EQ(n_got, n_expected) << "trial " << trial << " group " << g;
        ASSERT_EQ(got, expected) << "trial " << trial << " group " << g;
      }
      // Odd and short widths, which leave a single field after the pairs.
      const Word16 width = static_cast<Word16>(1 + 2 * (trial % 8));
      std::vector<Word16> expected(2000, kSentinel), got(2000, kSentinel);
      const Word16 n_expected = write_group_bitwise(indices.data(), allocation, expected.data(), flag, 0, 8, width);
      const Word16 n_got = write_band_group_indices(indices.data(), allocation, got.data(), flag, 0, 8, width);
      ASSERT_EQ(n_got, n_expected) << "trial " << trial << " width " << width;
      ASSERT_EQ(got, expected) << "trial " << trial << " width " << width;
    }
  }
}

}  // namespace
