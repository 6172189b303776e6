// The codec's API where the conformance vectors do not reach: every bitrate
// an instance can hold, frames no encoder makes, full-scale input, lost
// frames flagged and filled in other ways, and the bytes around a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "frame/g719_codec.h"
#include "frame/kernel_choice.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/norm_huffman.h"

namespace {

// The second set of a comparison: AVX2 where the processor has it, else
// another portable instance (which still checks all but the kernels).
KernelSet second_set() { return g719_preferred_kernel_set(); }

TEST(Create, RefusesBitratesAnInstanceCannotHold) {
  for (int32_t rate : {0, -32000, 31600, 31999, 32001, 32200, 48100, 127999, 128001, 128400, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(g719_encoder_create(rate), nullptr) << rate;
    EXPECT_EQ(g719_decoder_create(rate), nullptr) << rate;
  }
}

std::vector<std::vector<uint8_t>> hostile_frames(size_t bytes, std::mt19937 &rng) {
  std::vector<std::vector<uint8_t>> frames = {std::vector<uint8_t>(bytes, 0x00), std::vector<uint8_t>(bytes, 0xFF),
                                              std::vector<uint8_t>(bytes, 0x00), std::vector<uint8_t>(bytes, 0xFF)};
  frames[2][0] = 0x80;  // a transient flag and nothing else
  frames[3][0] = 0x7F;  // a stationary frame of 1 bits
  for (int r = 0; r < 3; ++r) {
    frames.emplace_back(bytes);
    for (uint8_t &b : frames.back()) b = static_cast<uint8_t>(rng());
  }
  return frames;
}

// Random and constant frames at every bitrate decode to the same samples on
// a decoder of each set. The first reads each frame from a heap block of
// exactly its size (the sanitizer build catches a read past it) and flags
// lost frames with 1; the second reads it followed by 0xFF bytes, with a lost
// frame's bytes inverted and the loss flagged with -1 or 2, none of which may
// matter. The outputs start from different fills, so a sample left unwritten
// shows too.
TEST(Decode, AnyFrameDecodesAlikeWhateverSurroundsIt) {
  std::mt19937 rng(719);
  for (int32_t rate = G719_MIN_BITRATE; rate <= G719_MAX_BITRATE; rate += 400) {
    G719DecoderState *first = g719_decoder_create_with_kernels(rate, KernelSet::kPortable);
    G719DecoderState *second = g719_decoder_create_with_kernels(rate, second_set());
    ASSERT_TRUE(first && second) << rate;
    const size_t bytes = rate / 400;
    EXPECT_EQ(g719_decoder_frame_bytes(first), static_cast<int32_t>(bytes));
    EXPECT_EQ(g719_decoder_frame_samples(first), G719_FRAME_SAMPLES);
    int n = 0;
    for (const std::vector<uint8_t> &frame : hostile_frames(bytes, rng)) {
      for (int lost : {0, 1, 0}) {
        auto exact = std::make_unique<uint8_t[]>(bytes);
        std::copy(frame.begin(), frame.end(), exact.get());
        std::vector<uint8_t> padded(bytes + 8, 0xFF);
        for (size_t i = 0; i < bytes; ++i) padded[i] = lost ? ~frame[i] : frame[i];
        std::vector<int16_t> a(G719_FRAME_SAMPLES, 0x1111), b(G719_FRAME_SAMPLES, -0x2222);
        g719_decode(first, exact.get(), a.data(), lost);
        g719_decode(second, padded.data(), b.data(), lost ? (++n % 2 ? -1 : 2) : 0);
        ASSERT_EQ(a, b) << rate << " bit/s, frame starting " << +frame[0] << ", lost " << lost;
      }
    }
    g719_decoder_free(first);
    g719_decoder_free(second);
  }
}

// Full-scale and constant input at every bitrate gives the same frames on
// both sets, exactly frame_bytes of them, which decode alike on both sets.
TEST(Encode, ExtremeInputEncodesAlikeOnBothSets) {
  std::vector<std::vector<int16_t>> blocks;
  for (int period : {2, 6, 96, 960}) {  // squares, from alternating extremes to one step a frame
    blocks.emplace_back(G719_FRAME_SAMPLES);
    for (int i = 0; i < G719_FRAME_SAMPLES; ++i) blocks.back()[i] = (i % period) < period / 2 ? INT16_MIN : INT16_MAX;
  }
  blocks.emplace_back(G719_FRAME_SAMPLES, INT16_MIN);  // DC
  blocks.emplace_back(G719_FRAME_SAMPLES, 0);
  blocks.push_back(blocks[0]);
  blocks.back()[G719_FRAME_SAMPLES - 1] = 0;  // an onset of silence
  for (int32_t rate = G719_MIN_BITRATE; rate <= G719_MAX_BITRATE; rate += 400) {
    const size_t bytes = rate / 400;
    G719EncoderState *enc[2] = {g719_encoder_create_with_kernels(rate, KernelSet::kPortable),
                                g719_encoder_create_with_kernels(rate, second_set())};
    G719DecoderState *dec[2] = {g719_decoder_create_with_kernels(rate, KernelSet::kPortable),
                                g719_decoder_create_with_kernels(rate, second_set())};
    ASSERT_TRUE(enc[0] && enc[1] && dec[0] && dec[1]) << rate;
    EXPECT_EQ(g719_encoder_frame_bytes(enc[0]), static_cast<int32_t>(bytes));
    EXPECT_EQ(g719_encoder_frame_samples(enc[0]), G719_FRAME_SAMPLES);
    for (int round = 0; round < 2; ++round) {
      for (const std::vector<int16_t> &block : blocks) {
        std::vector<uint8_t> frame[2] = {std::vector<uint8_t>(bytes + 8, 0xA5), std::vector<uint8_t>(bytes + 8, 0x5A)};
        std::vector<int16_t> pcm[2];
        for (int s = 0; s < 2; ++s) {
          g719_encode(enc[s], block.data(), frame[s].data());
          EXPECT_EQ(frame[s][bytes], s == 0 ? 0xA5 : 0x5A) << "a byte written past the frame";
          pcm[s].resize(G719_FRAME_SAMPLES);
          g719_decode(dec[s], frame[s].data(), pcm[s].data(), 0);
          frame[s].resize(bytes);
        }
        ASSERT_EQ(frame[0], frame[1]) << rate << " bit/s, block starting " << block[0];
        ASSERT_EQ(pcm[0], pcm[1]) << rate << " bit/s, block starting " << block[0];
      }
    }
    for (int s = 0; s < 2; ++s) {
      g719_encoder_free(enc[s]);
      g719_decoder_free(dec[s]);
    }
  }
}

// The transient decision on the quietest onsets, which no vector holds: from
// silence, a first sub-block of energy 8 (four steps of 2, each one filtered
// sample of 1, whose L_mult square is 2) is transient; one of energy 6 is not:
// a sixth of it in Q15 (6 * 5461 >> 15) truncates to 0, no more than silence.
TEST(Encode, QuietestOnsetsAtTheTransientThreshold) {
  for (int steps : {3, 4}) {
    std::vector<int16_t> pcm(G719_FRAME_SAMPLES);
    for (int n = 0; n < G719_FRAME_SAMPLES; ++n) pcm[n] = static_cast<int16_t>(2 * std::min(steps, n / 10));
    for (KernelSet set : {KernelSet::kPortable, second_set()}) {
      G719EncoderState *enc = g719_encoder_create_with_kernels(64000, set);
      ASSERT_NE(enc, nullptr);
      uint8_t frame[G719_MAX_FRAME_BYTES];
      g719_encode(enc, pcm.data(), frame);
      EXPECT_EQ(frame[0] >> 7, steps == 4 ? 1 : 0) << steps << " steps";
      g719_encoder_free(enc);
    }
  }
}

// The norm coding choice: Huffman codes only when they take fewer bits than
// 5-bit fields, so an exact tie is sent in 5-bit fields. Tones of random
// levels, one per band, with steps between neighbours wide enough that the
// Huffman cost lands around the fixed 215 bits; the frames' own norm fields
// are read back (either coding) and their Huffman cost checked against the
// flag. The signals are seeded, and some of them tie.
TEST(Encode, NormsAreHuffmanCodedOnlyWhenStrictlyCheaper) {
  struct BitReader {
    const uint8_t *bytes;
    int pos = 0;
    unsigned get(int n) {
      unsigned v = 0;
      for (; n > 0; --n, ++pos) v = (v << 1) | ((bytes[pos >> 3] >> (7 - (pos & 7))) & 1u);
      return v;
    }
  };
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> step(-10.0, 10.0), phase(0.0, 2 * M_PI);
  int ties = 0;
  for (int trial = 0; trial < 150; ++trial) {
    std::vector<double> x(3 * G719_FRAME_SAMPLES, 0.0);
    double level = 20, peak = 0;
    for (int b = 0; b < kNumBands; ++b) {
      level += step(rng);
      level = level < 2 ? 4 - level : level > 30 ? 60 - level : level;  // reflect into 2..30 (3 dB steps)
      const int centre = band_start_table[b] + band_width_table[b] / 2;
      const double omega = (centre + 0.5) * M_PI / G719_FRAME_SAMPLES, p = phase(rng);
      for (size_t n = 0; n < x.size(); ++n) x[n] += std::pow(2.0, level / 2) * std::cos(omega * n + p);
    }
    for (double v : x) peak = std::max(peak, std::fabs(v));
    G719EncoderState *enc = g719_encoder_create(64000);
    ASSERT_NE(enc, nullptr);
    uint8_t frame[G719_MAX_FRAME_BYTES];
    for (size_t f = 0; f < 3; ++f) {  // the third frame codes stationary tones only
      int16_t pcm[G719_FRAME_SAMPLES];
      for (int n = 0; n < G719_FRAME_SAMPLES; ++n)
        pcm[n] = static_cast<int16_t>(std::lrint(x[f * G719_FRAME_SAMPLES + n] / peak * 20000));
      g719_encode(enc, pcm, frame);
    }
    g719_encoder_free(enc);
    BitReader r{frame};
    r.get(2);  // transient, band count
    const unsigned huffman = r.get(1);
    r.get(1 + kNormFieldBits);  // coefficient coding, first norm
    int cost = 0;
    for (int k = 0; k < kNormDiffCount; ++k) {
      int code = -1;
      if (huffman == 0) {
        code = static_cast<int>(r.get(kNormFieldBits));
      } else {
        for (int bits = 0, len = 1; code < 0 && len <= 7; ++len) {
          bits = (bits << 1) | static_cast<int>(r.get(1));
          for (int c = 0; c < kNumNormDiffCodes; ++c)
            if (norm_diff_huffman_lengths[c] == len && norm_diff_huffman_codes[c] == bits) code = c;
        }
        ASSERT_GE(code, 0) << "trial " << trial << ": no Huffman code";
      }
      cost += norm_diff_huffman_lengths[code];
    }
    EXPECT_EQ(huffman == 1, cost < kFixedNormBits) << "trial " << trial << ": Huffman cost " << cost;
    ties += cost == kFixedNormBits;
  }
  EXPECT_GT(ties, 0) << "no signal tied; the choice on a tie went unchecked";
}

}  // namespace
