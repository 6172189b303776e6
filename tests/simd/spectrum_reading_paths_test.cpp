// The decoder's block reading (16-word loads, 7-bit code look-ups) against
// its word-by-word form: norms, band group indices, spare-bit vectors and the
// whole spectral part give the same values, counts and cursor on random and
// garbage bits in every coding mode; the 8-lane dequantization gives the
// values and Overflow flag of shl, mult and add one coefficient at a time.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "frame/bit_words.h"
#include "frame/codec_state.h"
#include "spectral_dec/coefficient_decoding.h"
#include "spectral_dec/norm_decoding.h"
#include "spectral_dec/spectral_decoder.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/lattice.h"
#include "spectral_enc/lattice_tables.h"

namespace {

constexpr Word16 kSentinel = 0x5A5A;

// Bit words with a 1 probability of ones_in_8 / 8; with garbage, now and then
// a word that is neither BIT_WORD_ONE nor BIT_WORD_ZERO (it reads as 0).
std::vector<Word16> random_words(std::mt19937 &rng, int n, int ones_in_8, bool garbage = true) {
  std::vector<Word16> w(n);
  for (auto &x : w) {
    if (garbage && rng() % 50 == 0) {
      x = static_cast<Word16>(rng());
    } else {
      x = static_cast<int>(rng() % 8) < ones_in_8 ? BIT_WORD_ONE : BIT_WORD_ZERO;
    }
  }
  return w;
}

TEST(SpectrumReadingPaths, NormSymbolsMatchTheWordByWordReader) {
  std::mt19937 rng(21);
  for (int trial = 0; trial < 3000; ++trial) {
    auto words = random_words(rng, 400, 1 + trial % 7);
    if (trial < 128) {
      // Every 7-bit pattern at the start of the first code word.
      for (int j = 0; j < 7; ++j) words[5 + j] = ((trial >> (6 - j)) & 1) ? BIT_WORD_ONE : BIT_WORD_ZERO;
    }
    for (Word16 huffman = 0; huffman <= 1; ++huffman) {
      std::vector<Word16> want(kNumBands, kSentinel), have(kNumBands, kSentinel);
      const Word16 *cursor = words.data();
      const Word16 want_bits = read_norm_symbols(&cursor, huffman, want.data());
      BitWordReader reader(words.data(), static_cast<std::ptrdiff_t>(words.size()));
      const Word16 have_bits = read_norm_symbols(reader, huffman, have.data());
      ASSERT_EQ(have, want) << "trial " << trial << " huffman " << huffman;
      ASSERT_EQ(have_bits, want_bits);
      ASSERT_EQ(reader.consumed(), cursor - words.data());
    }
  }
}

TEST(SpectrumReadingPaths, GroupIndicesAndSpareVectorsMatchTheWordByWordReaders) {
  std::mt19937 rng(22);
  for (int trial = 0; trial < 1500; ++trial) {
    Word16 allocation[kNumBands];
    for (auto &a : allocation) {
      const int pick = static_cast<int>(rng() % 13);
      a = static_cast<Word16>(pick <= 9 ? pick : (pick == 10 ? -3 : (pick == 11 ? 1 : 16 + static_cast<int>(rng() % 2))));
    }
    // The word-by-word reader compares wide fields with sub(), which can set
    // Overflow on a garbage word; unpacked frames hold only BIT_WORD_ONE and
    // BIT_WORD_ZERO, and on those the flags must agree.
    const bool garbage = trial % 2 == 1;
    const auto words = random_words(rng, 8000, 1 + trial % 7, garbage);
    for (Word16 huffman = 0; huffman <= 1; ++huffman) {
      std::vector<Word16> want(kCodedCoefficients, kSentinel), have(kCodedCoefficients, kSentinel);
      const Word16 *cursor = words.data();
      BitWordReader reader(words.data(), static_cast<std::ptrdiff_t>(words.size()));
      for (int g = 0; g < kNumBandGroups; ++g) {
        const Word16 first = band_group_first_band[g];
        const Word16 end = static_cast<Word16>(first + band_group_band_count[g]);
        Overflow = 0;
        const Word16 want_bits = read_band_group_indices(allocation, cursor, huffman, band_group_start[g], first, end,
                                                         band_group_width[g], want.data());
        const Flag want_overflow = Overflow;
        Overflow = 0;
        const Word16 have_bits = read_band_group_indices(reader, allocation, huffman, band_group_start[g], first, end,
                                                         band_group_width[g], have.data());
        ASSERT_EQ(have_bits, want_bits) << "trial " << trial << " group " << g;
        if (!garbage) {
          ASSERT_EQ(Overflow, want_overflow);
        }
        cursor += want_bits;
        ASSERT_EQ(reader.consumed(), cursor - words.data());
      }
      ASSERT_EQ(have, want) << "trial " << trial << " huffman " << huffman;
    }

    // Spare-bit vectors into the bands left without bits.
    Word16 order[kNumBands];
    for (int b = 0; b < kNumBands; ++b) order[b] = static_cast<Word16>(b);
    std::shuffle(order, order + kNumBands, rng);
    Word16 alloc_want[kNumBands], alloc_have[kNumBands];
    for (int b = 0; b < kNumBands; ++b) alloc_want[b] = alloc_have[b] = static_cast<Word16>(rng() % 3 == 0 ? 0 : allocation[b]);
    const Word16 nb = rng() % 2 ? Word16{kNumBands} : Word16{36};
    const Word16 spare = static_cast<Word16>(static_cast<int>(rng() % 900) - 50);
    std::vector<Word16> idx_want(kCodedCoefficients, kSentinel), idx_have(kCodedCoefficients, kSentinel);
    std::vector<Word16> norm_want(kCodedCoefficients, kSentinel), norm_have(kCodedCoefficients, kSentinel);
    const Word16 *cursor = words.data() + 3;
    decode_spare_bits(alloc_want, order, idx_want.data(), &cursor, norm_want.data(), nb, spare);
    BitWordReader reader(words.data() + 3, static_cast<std::ptrdiff_t>(words.size()) - 3);
    decode_spare_bits(alloc_have, order, idx_have.data(), reader, norm_have.data(), nb, spare);
    ASSERT_EQ(std::vector<Word16>(alloc_have, alloc_have + kNumBands), std::vector<Word16>(alloc_want, alloc_want + kNumBands));
    ASSERT_EQ(idx_have, idx_want) << "trial " << trial;
    ASSERT_EQ(norm_have, norm_want) << "trial " << trial;
    ASSERT_EQ(reader.consumed(), cursor - (words.data() + 3));
  }
}

// Whole spectral parts of garbage frames of every size, read from a decoder
// bit-word array (frame bits, then BIT_WORD_ZERO padding to the capacity).
TEST(SpectrumReadingPaths, WholeSpectralPartsOfGarbageFramesMatch) {
  std::mt19937 rng(23);
  for (int trial = 0; trial < 1500; ++trial) {
    const int frame_bits = 640 + 8 * static_cast<int>(rng() % 241);  // 32000 .. 128000 bit/s
    std::vector<Word16> words(kDecoderBitWordsCapacity, BIT_WORD_ZERO);
    const auto bits = random_words(rng, frame_bits, 1 + trial % 7);
    std::copy(bits.begin(), bits.end(), words.begin());
    const Word16 transient = words[0] == BIT_WORD_ONE ? 1 : 0;
    const Word16 budget = static_cast<Word16>(transient != 0 ? frame_bits - 1 : frame_bits - 3);
    std::vector<Word16> ni_want(kNumBands), ni_have(kNumBands), al_want(kNumBands), al_have(kNumBands);
    std::vector<Word16> n_want(kCodedCoefficients, kSentinel), n_have(kCodedCoefficients, kSentinel);
    const Word16 *want_cursor = words.data() + 1;
    g719_decode_spectrum(&want_cursor, budget, transient, ni_want.data(), al_want.data(), n_want.data());
    const Word16 *have_cursor = words.data() + 1;
    g719_decode_spectrum_within(&have_cursor, words.data() + words.size(), budget, transient, ni_have.data(),
                                al_have.data(), n_have.data());
    ASSERT_EQ(have_cursor, want_cursor) << "trial " << trial;
    ASSERT_EQ(ni_have, ni_want);
    ASSERT_EQ(al_have, al_want);
    ASSERT_EQ(n_have, n_want) << "trial " << trial;
  }
}

}  // namespace

namespace {

// Dequantization as it was, one coefficient at a time with shl, mult, add.
void dequantize_stepwise(const Word16 *index, const Word16 *allocation, Word16 first_band, Word16 end_band,
                         Word16 width, Word16 *normalized) {
  Word16 off = 0;
  for (Word16 b = first_band; b < end_band; b++) {
    const Word16 r = allocation[b];
    if (r >= 2) {
      for (Word16 v = 0; v < width / 8; v++) {
        const Word16 pos = static_cast<Word16>(off + 8 * v);
        Word16 x[8];
        d8_index_to_point(index + pos, x, r);
        for (int i = 0; i < 8; i++) normalized[pos + i] = add(mult(shl(x[i], sub(13, r)), 6144), 4);
      }
    } else if (r == 1) {
      Word16 previous = 32767;
      for (Word16 v = 0; v < width / 8; v++) {
        const Word16 pos = static_cast<Word16>(off + 8 * v);
        const Word16 j = index[pos];
        for (int i = 0; i < 8; i++) {
          normalized[pos + i] = previous < 128 && j < 16 ? Word16{4}
                                                         : add(mult(shl(onebit_codebook[j * 8 + i], 8), 29789), 4);
        }
        previous = j;
      }
    } else {
      for (Word16 i = 0; i < width; i++) normalized[off + i] = 0;
    }
    off = static_cast<Word16>(off + width);
  }
}

TEST(SpectrumReadingPaths, DequantizationMatchesTheStepwiseForm) {
  std::mt19937 rng(24);
  int clamped = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    Word16 allocation[kNumBands];
    for (auto &a : allocation) a = static_cast<Word16>(static_cast<int>(rng() % 17) - 1);  // -1..15
    // Field-sized indices, and now and then any value (large lattice points
    // make shl clamp).
    const bool wild = trial % 4 == 3;
    std::vector<Word16> index(kCodedCoefficients);
    for (int g = 0; g < kNumBandGroups; ++g) {
      for (int b = band_group_first_band[g], off = band_group_start[g]; b < band_group_first_band[g] + band_group_band_count[g];
           ++b, off += band_group_width[g]) {
        const int r = allocation[b];
        for (int i = 0; i < band_group_width[g]; ++i) {
          const int bits = r == 1 ? 8 : (r >= 2 ? r : 4);
          index[off + i] = static_cast<Word16>(wild && r >= 2 ? static_cast<int>(rng() % 65536) - 32768
                                                              : static_cast<int>(rng() % (1u << bits)));
        }
      }
    }
    for (int g = 0; g < kNumBandGroups; ++g) {
      const Word16 first = band_group_first_band[g];
      const Word16 end = static_cast<Word16>(first + band_group_band_count[g]);
      std::vector<Word16> want(kCodedCoefficients, kSentinel), have(kCodedCoefficients, kSentinel);
      const int start = band_group_start[g];
      Overflow = 0;
      dequantize_stepwise(&index[start], allocation, first, end, band_group_width[g], &want[start]);
      const Flag want_overflow = Overflow;
      clamped += want_overflow;
      Overflow = 0;
      dequantize_band_group(&index[start], allocation, first, end, band_group_width[g], &have[start]);
      ASSERT_EQ(have, want) << "trial " << trial << " group " << g;
      ASSERT_EQ(Overflow, want_overflow) << "trial " << trial << " group " << g;
    }
  }
  EXPECT_GT(clamped, 0);  // the clamping lanes were exercised
}

}  // namespace
