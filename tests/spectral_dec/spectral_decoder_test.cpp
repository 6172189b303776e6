// Spectral decoder driver: field layout, reads of conformant streams, and the
// bound on what corrupt frames can make it read.
#include "spectral_dec/spectral_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bit_builder.h"
#include "frame/codec_state.h"
#include "spectral_dec/norm_decoding.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/bit_allocation.h"
#include "frame/kernel_sets.h"

namespace {

struct Decoded {
  std::array<Word16, 44> norm_index{};
  std::array<Word16, 44> allocation{};
  std::array<Word16, 800> normalized{};
  long words_read = 0;  // words consumed after the transient flag
};

// Decodes the spectral part that starts at words[1].
Decoded decode(const std::vector<Word16> &words, Word16 budget, Word16 transient) {
  Decoded d;
  d.normalized.fill(777);
  d.allocation.fill(-1);
  const Word16 *cursor = words.data() + 1;
  g719_decode_spectrum<PortableKernels>(&cursor, words.data() + words.size(), budget, transient, d.norm_index.data(),
                                        d.allocation.data(), d.normalized.data());
  d.words_read = cursor - (words.data() + 1);
  return d;
}

void expect_valid_outputs(const Decoded &d) {
  for (int b = 0; b < 44; ++b) {
    ASSERT_GE(d.norm_index[b], 0);
    ASSERT_LE(d.norm_index[b], 39);
    ASSERT_GE(d.allocation[b], 0);
    ASSERT_LE(d.allocation[b], 9);
  }
  for (Word16 v : d.normalized) ASSERT_NE(v, 777) << "every coefficient is written";
}

TEST(SpectralLayout, NormFieldsPrecedeTheIndicesExactly) {
  // A budget 7 bits above the norms leaves nothing to allocate, so the
  // cursor stops right after the norms.
  {
    BitBuilder frame(kDecoderBitWordsCapacity);
    frame.bits("0").bits("100").value(12, 5);
    for (int i = 0; i < 43; ++i) frame.value(15 + (i % 3) - 1, 5);
    frame.bits("1111111111");
    const Decoded d = decode(frame.words(), 8 + 215 + 7, 0);
    EXPECT_EQ(d.words_read, 8 + 215);
    for (Word16 a : d.allocation) EXPECT_EQ(a, 0);
    for (Word16 v : d.normalized) EXPECT_EQ(v, 0);
  }
  {
    BitBuilder frame(kDecoderBitWordsCapacity);
    frame.bits("0").bits("110").value(12, 5);
    for (int i = 0; i < 43; ++i) frame.bits("110");
    frame.bits("1111111111");
    const Decoded d = decode(frame.words(), 8 + 129 + 7, 0);
    EXPECT_EQ(d.words_read, 8 + 129);
    for (int b = 0; b < 44; ++b) EXPECT_EQ(d.norm_index[b], 12);
  }
}

TEST(SpectralLayout, ThirtySixBandFrameLeavesTheTopGroupEmpty) {
  std::mt19937 rng(2);
  for (int trial = 0; trial < 20; ++trial) {
    BitBuilder frame(kDecoderBitWordsCapacity);
    frame.bits("0").bits("0").bits(trial % 2 ? "1" : "0").bits("0").value(static_cast<int>(rng() % 32), 5);
    for (int i = 0; i < 43; ++i) frame.value(13 + static_cast<int>(rng() % 5), 5);
    while (frame.size() < 640) frame.bits(rng() % 2 ? "1" : "0");
    const Decoded d = decode(frame.words(), 637, 0);
    expect_valid_outputs(d);
    for (int b = 36; b < 44; ++b) EXPECT_EQ(d.allocation[b], 0) << b;
    for (int i = 544; i < 800; ++i) ASSERT_EQ(d.normalized[i], 0) << i;
    int coded = 0;
    for (int b = 0; b < 36; ++b) coded += d.allocation[b] != 0;
    EXPECT_GT(coded, 0);
  }
}

// Allocation that the decoder derives before spare bits, from the norms.
std::array<Word16, 44> allocation_for(const std::array<Word16, 44> &symbols, Word16 transient, Word16 nb,
                                      Word16 coef_budget) {
  std::array<Word16, 44> index{}, level{}, priority{}, order{}, allocation{};
  rebuild_norm_indices(symbols.data(), transient, index.data(), level.data());
  for (int i = 0; i < 44; ++i) order[i] = static_cast<Word16>(i);
  compute_allocation_priorities(level.data(), priority.data(), transient);
  sort_bands_by_priority<PortableKernels>(priority.data(), nb, order.data());
  allocate_bits<PortableKernels>(priority.data(), order.data(), coef_budget, nb, 9, allocation.data());
  return allocation;
}

// The longest code word of each Huffman-coded resolution.
std::string longest_code(int r) {
  switch (r) {
    case 2: return "111";
    case 3: return "10000";
    case 4: return "101110";
    default: return "1110000";
  }
}

TEST(CorruptFrames, LongestCodeWordsStayWithinTheBitWordCapacity) {
  // Frames built to make the decoder read as much as possible: Huffman-coded
  // indices made of the longest code word of every band's resolution. The
  // array is exactly the decoder's capacity, so a read past it is caught by
  // the sanitizer build.
  std::mt19937 rng(13);
  long most = 0;
  int beyond_frame = 0;
  for (int frame_bits = 640; frame_bits <= kMaxFrameBits; frame_bits += 320) {
    for (int trial = 0; trial < 12; ++trial) {
      const Word16 transient = static_cast<Word16>(trial % 2);
      const Word16 budget = static_cast<Word16>(frame_bits - (transient ? 1 : 3));
      std::array<Word16, 44> symbols{};
      symbols[0] = static_cast<Word16>(rng() % 32);
      for (int i = 1; i < 44; ++i) symbols[i] = static_cast<Word16>(trial < 4 ? 15 : 12 + rng() % 8);
      BitBuilder frame(kDecoderBitWordsCapacity);
      frame.bits(transient ? "1" : "0").bits("111").value(symbols[0], 5);
      int norm_bits = 0;
      for (int i = 1; i < 44; ++i) {
        static const std::array<std::string, 8> codes = {"0010", "0110", "100", "110",
                                                         "000",  "010",  "1010", "1110"};
        frame.bits(codes[symbols[i] - 12]);
        norm_bits += static_cast<int>(codes[symbols[i] - 12].size());
      }
      const auto allocation =
          allocation_for(symbols, transient, 44, static_cast<Word16>(budget - 8 - norm_bits));
      for (int b = 0; b < 44; ++b) {
        const int r = allocation[b];
        for (int i = 0; i < band_width_table[b]; ++i) {
          if (r >= 2 && r <= 5) frame.bits(longest_code(r));
        }
        if (r == 1 || r >= 6) {
          for (int i = 0; i < band_width_table[b] * r; ++i) frame.bits("1");
        }
      }
      std::vector<Word16> words(frame.words());
      words.resize(kDecoderBitWordsCapacity);
      const Decoded d = decode(words, budget, transient);
      expect_valid_outputs(d);
      const long used = 1 + d.words_read + (transient ? 0 : 2);
      ASSERT_LE(used, kDecoderBitWordsCapacity);
      most = std::max(most, used);
      beyond_frame += used > frame_bits;
    }
  }
  // The padding is needed: such frames read well past their own end.
  EXPECT_GT(beyond_frame, 0);
  RecordProperty("most_words_read", static_cast<int>(most));
}

TEST(CorruptFrames, RandomAndConstantFramesAtEveryBitrate) {
  std::mt19937 rng(17);
  for (int bitrate = 32000; bitrate <= 128000; bitrate += 400) {
    const int frame_bits = bitrate / 50;
    for (int trial = 0; trial < 10; ++trial) {
      // Trials 0 and 1: all 0 bits and all 1 bits; others random.
      std::vector<Word16> words(kDecoderBitWordsCapacity, BIT_WORD_ZERO);
      for (int i = 0; i < frame_bits; ++i) {
        const bool one = trial == 1 || (trial > 1 && rng() % 2 == 1);
        words[i] = one ? BIT_WORD_ONE : BIT_WORD_ZERO;
      }
      if (trial > 1 && trial % 3 == 0) words[0] = BIT_WORD_ONE;
      const Word16 transient = words[0] == BIT_WORD_ONE ? 1 : 0;
      const Word16 budget = static_cast<Word16>(frame_bits - (transient ? 1 : 3));
      const Decoded d = decode(words, budget, transient);
      expect_valid_outputs(d);
      ASSERT_LE(1 + d.words_read + (transient ? 0 : 2), kDecoderBitWordsCapacity) << bitrate;
    }
  }
}

// Rows of the vector manifest whose bitstreams come from a conformant
// encoder: (bitrate, bitstream path), each bitstream once.
std::vector<std::pair<int, std::string>> encoder_bitstreams() {
  std::ifstream manifest(std::string(VECTORS_DIR) + "/MANIFEST.tsv");
  std::vector<std::pair<int, std::string>> rows;
  std::string line;
  std::getline(manifest, line);  // header
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string signal, bitrate, input, bitstream;
    if (!(fields >> signal >> bitrate >> input >> bitstream)) continue;
    if (signal == "garbage") continue;
    const auto row = std::make_pair(std::stoi(bitrate), std::string(VECTORS_DIR) + "/" + bitstream);
    if (std::find(rows.begin(), rows.end(), row) == rows.end()) rows.push_back(row);
  }
  return rows;
}

TEST(EncodedStreams, SpectralPartEndsWithinTheFrameAndOnlyFillFollows) {
  const auto rows = encoder_bitstreams();
  ASSERT_GE(rows.size(), 40u);
  long frames = 0;
  for (const auto &[bitrate, path] : rows) {
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int frame_bytes = bitrate / 400;
    const int frame_bits = bitrate / 50;
    ASSERT_EQ(bytes.size() % frame_bytes, 0u) << path;
    for (std::size_t f = 0; f < bytes.size() / frame_bytes; ++f, ++frames) {
      std::vector<Word16> words(kDecoderBitWordsCapacity, BIT_WORD_ZERO);
      for (int i = 0; i < frame_bits; ++i) {
        if ((bytes[f * frame_bytes + i / 8] >> (7 - i % 8)) & 1) words[i] = BIT_WORD_ONE;
      }
      const Word16 transient = words[0] == BIT_WORD_ONE ? 1 : 0;
      const Word16 budget = static_cast<Word16>(frame_bits - (transient ? 1 : 3));
      const Decoded d = decode(words, budget, transient);
      expect_valid_outputs(d);
      ASSERT_LE(d.words_read, budget) << path << " frame " << f;
      const long end = 1 + d.words_read + (transient ? 0 : 2);
      for (long i = end; i < frame_bits; ++i) {
        ASSERT_EQ(words[i], BIT_WORD_ZERO) << path << " frame " << f << ": data after the parsed end at " << i;
      }
    }
  }
  EXPECT_GT(frames, 2000);
}

}  // namespace
