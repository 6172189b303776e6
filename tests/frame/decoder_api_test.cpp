#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "frame/bit_words.h"
#include "frame/codec_state.h"
#include "frame/g719_codec.h"

namespace {

constexpr int kCapacity = static_cast<int>(sizeof(G719DecoderState::bit_words) / sizeof(Word16));

TEST(DecoderCreate, AcceptsExactlyTheMultiplesOf400From32000To128000) {
  for (int32_t rate : {0, -32000, 31600, 31999, 32001, 32200, 48100, 128001, 128400, 256000, INT32_MAX, INT32_MIN}) {
    G719DecoderState *d = g719_decoder_create(rate);
    EXPECT_EQ(d, nullptr) << rate;
    g719_decoder_free(d);
  }
  for (int32_t rate = 32000; rate <= 128000; rate += 400) {
    G719DecoderState *d = g719_decoder_create(rate);
    ASSERT_NE(d, nullptr) << rate;
    EXPECT_EQ(g719_decoder_frame_bytes(d), rate / 400);
    EXPECT_EQ(g719_decoder_frame_samples(d), 960);
    EXPECT_EQ(d->bits_per_frame, rate / 50);
    EXPECT_EQ(d->frame_bits, rate / 50);
    EXPECT_EQ(d->spectral_bits_stationary, rate / 50 - 3);
    EXPECT_EQ(d->spectral_bits_transient, rate / 50 - 1);
    g719_decoder_free(d);
  }
}

TEST(DecoderCreate, StartsFromSilentHistory) {
  G719DecoderState *d = g719_decoder_create(48000);
  ASSERT_NE(d, nullptr);
  for (int i = 0; i < 960; i++) {
    ASSERT_EQ(d->overlap_history[i], 0);
    ASSERT_EQ(d->prev_coefficients[i], 0);
  }
  EXPECT_EQ(d->prev_transient, 0);
  EXPECT_EQ(d->prev_norm_shift, 0);
  g719_decoder_free(d);
}

// Unpacking: word i is bit 7 - i % 8 of byte i / 8; words past the frame stay
// 0 bits however the frame looks.
TEST(DecoderUnpack, BitOrderAndPadding) {
  for (int32_t rate : {32000, 64000, 128000}) {
    G719DecoderState *d = g719_decoder_create(rate);
    ASSERT_NE(d, nullptr);
    const int bytes = rate / 400;
    const int bits = rate / 50;
    std::vector<uint8_t> frame(bytes, 0xFF);
    int16_t pcm[960];
    g719_decode(d, frame.data(), pcm, 0);
    for (int i = 0; i < bits; i++) ASSERT_EQ(d->bit_words[i], BIT_WORD_ONE) << rate << " word " << i;
    for (int i = bits; i < kCapacity; i++) ASSERT_EQ(d->bit_words[i], BIT_WORD_ZERO) << rate << " word " << i;

    // A lone bit 9 and the last bit of the frame.
    std::fill(frame.begin(), frame.end(), 0);
    frame[1] = 0x40;
    frame[bytes - 1] = 0x01;
    g719_decode(d, frame.data(), pcm, 0);
    for (int i = 0; i < bits; i++) {
      const bool one = (i == 9 || i == bits - 1);
      ASSERT_EQ(d->bit_words[i], one ? BIT_WORD_ONE : BIT_WORD_ZERO) << rate << " word " << i;
    }
    // The bad-frame path unpacks too.
    frame[0] = 0x80;
    g719_decode(d, frame.data(), pcm, 1);
    EXPECT_EQ(d->bit_words[0], BIT_WORD_ONE);
    g719_decoder_free(d);
  }
}

}  // namespace
