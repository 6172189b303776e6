// Encoder API: instance creation, frame size, byte packing, determinism, and
// hostile inputs at every supported bitrate.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "frame/bit_words.h"
#include "frame/codec_state.h"
#include "frame/g719_codec.h"

namespace {

struct EncoderDeleter {
  void operator()(G719EncoderState *e) const { g719_encoder_free(e); }
};
using Encoder = std::unique_ptr<G719EncoderState, EncoderDeleter>;

constexpr uint8_t kCanary = 0xA5;

// Encodes one block into a buffer with guard bytes after the frame and checks
// that exactly frame_bytes bytes were produced.
std::vector<uint8_t> encode_checked(G719EncoderState *enc, const int16_t *pcm) {
  const int32_t bytes = g719_encoder_frame_bytes(enc);
  std::vector<uint8_t> buf(bytes + 16, kCanary);
  g719_encode(enc, pcm, buf.data());
  for (size_t i = bytes; i < buf.size(); ++i) EXPECT_EQ(buf[i], kCanary) << "wrote past the frame at " << i;
  buf.resize(bytes);
  return buf;
}

TEST(EncoderCreate, AcceptsOnlyMultiplesOf400InRange) {
  for (int32_t rate : {32000, 32400, 48000, 64000, 100000, 127600, 128000}) {
    Encoder enc(g719_encoder_create(rate));
    ASSERT_NE(enc, nullptr) << rate;
    EXPECT_EQ(g719_encoder_frame_samples(enc.get()), 960);
    EXPECT_EQ(g719_encoder_frame_bytes(enc.get()), rate / 400);
    EXPECT_EQ(enc->frame_bits, rate / 50);
    EXPECT_EQ(enc->spectral_bits_stationary, rate / 50 - 3);
    EXPECT_EQ(enc->spectral_bits_transient, rate / 50 - 1);
  }
  for (int32_t rate : {0, -64000, 31600, 32001, 48200, 128400, 256000, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(g719_encoder_create(rate), nullptr) << rate;
  }
  g719_encoder_free(nullptr);  // accepted and ignored
}

TEST(EncoderCreate, ElementBitratesGiveTheirFrameSizes) {
  const std::array<std::pair<int32_t, int32_t>, 3> sizes = {{{32000, 80}, {48000, 120}, {64000, 160}}};
  for (const auto &[rate, bytes] : sizes) {
    Encoder enc(g719_encoder_create(rate));
    ASSERT_NE(enc, nullptr);
    EXPECT_EQ(g719_encoder_frame_bytes(enc.get()), bytes);
  }
}

TEST(EncodeFrame, BytesPackTheFrameBitWordsMostSignificantFirst) {
  Encoder enc(g719_encoder_create(64000));
  ASSERT_NE(enc, nullptr);
  std::mt19937 rng(5);
  std::normal_distribution<double> noise(0.0, 3000.0);
  int16_t pcm[960];
  int ones = 0;
  for (int f = 0; f < 6; ++f) {
    for (int16_t &s : pcm) s = static_cast<int16_t>(std::clamp(noise(rng), -32768.0, 32767.0));
    if (f == 4) std::fill(pcm, pcm + 480, 0);  // an onset: a transient frame
    const std::vector<uint8_t> bytes = encode_checked(enc.get(), pcm);
    for (int i = 0; i < 1280; ++i) {
      const Word16 w = enc->bit_words[i];
      ASSERT_TRUE(w == BIT_WORD_ONE || w == BIT_WORD_ZERO) << "frame " << f << " word " << i;
      const bool bit = (bytes[i / 8] >> (7 - i % 8)) & 1;
      ASSERT_EQ(bit, w == BIT_WORD_ONE) << "frame " << f << " word " << i;
      ones += bit;
    }
  }
  EXPECT_GT(ones, 1000);
}

TEST(EncodeFrame, SilenceIsStationaryAndDeterministic) {
  const int16_t zeros[960] = {};
  for (int32_t rate : {32000, 48000, 64000, 128000}) {
    Encoder a(g719_encoder_create(rate)), b(g719_encoder_create(rate));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const std::vector<uint8_t> first = encode_checked(a.get(), zeros);
    EXPECT_EQ(first[0] & 0x80, 0) << "silence must not be transient";
    for (int f = 0; f < 5; ++f) {
      EXPECT_EQ(encode_checked(a.get(), zeros), first) << rate << " frame " << f;
    }
    EXPECT_EQ(encode_checked(b.get(), zeros), first) << rate;
    // The frame ends in fill: the last bit words are 0 bits.
    EXPECT_EQ(a->bit_words[rate / 50 - 1], BIT_WORD_ZERO);
  }
}

TEST(EncodeFrame, TwoEncodersAgreeAndHistoryMatters) {
  std::mt19937 rng(11);
  std::vector<int16_t> pcm(960 * 20);
  for (size_t i = 0; i < pcm.size(); ++i) {
    const double env = (i / 960) % 5 == 3 ? 12000.0 : 800.0;
    pcm[i] = static_cast<int16_t>(env * std::sin(0.013 * i * (1 + i / 20000.0)) + static_cast<int>(rng() % 200) - 100);
  }
  Encoder a(g719_encoder_create(48000)), b(g719_encoder_create(48000)), late(g719_encoder_create(48000));
  ASSERT_TRUE(a && b && late);
  // `late` skips the first frame, so its history differs for frame 1.
  encode_checked(late.get(), pcm.data() + 960 * 5);
  bool history_showed = false;
  for (int f = 0; f < 20; ++f) {
    const std::vector<uint8_t> fa = encode_checked(a.get(), pcm.data() + 960 * f);
    EXPECT_EQ(encode_checked(b.get(), pcm.data() + 960 * f), fa) << "frame " << f;
    if (f == 1) history_showed = encode_checked(late.get(), pcm.data() + 960) != fa;
  }
  EXPECT_TRUE(history_showed);
}

TEST(EncodeFrame, HostileInputsAtEveryBitrate) {
  std::mt19937 rng(3);
  std::vector<std::vector<int16_t>> blocks;
  blocks.emplace_back(960, 32767);
  blocks.emplace_back(960, -32768);
  std::vector<int16_t> alt(960), noise(960), impulse(960, 0), ramp(960);
  for (int i = 0; i < 960; ++i) {
    alt[i] = (i & 1) ? 32767 : -32768;
    noise[i] = static_cast<int16_t>(rng());
    ramp[i] = static_cast<int16_t>(i * 68 - 32768);
  }
  impulse[959] = -32768;
  blocks.push_back(alt);
  blocks.push_back(noise);
  blocks.push_back(impulse);
  blocks.push_back(ramp);
  blocks.emplace_back(960, 0);
  for (int32_t rate = 32000; rate <= 128000; rate += 8000) {
    Encoder enc(g719_encoder_create(rate));
    ASSERT_NE(enc, nullptr);
    for (int round = 0; round < 2; ++round) {
      for (const auto &block : blocks) {
        encode_checked(enc.get(), block.data());
        for (int i = 0; i < rate / 50; ++i) {
          ASSERT_TRUE(enc->bit_words[i] == BIT_WORD_ONE || enc->bit_words[i] == BIT_WORD_ZERO) << rate << " " << i;
        }
      }
    }
  }
}

}  // namespace
