// Many streams on many threads give exactly the bytes and samples that the
// same streams give one after another on one thread: instances share no
// state, and the operators' Overflow/Carry flags, which the transient
// detector clears and reads around single operators, are per thread. (The
// flags' separation itself is pinned by the operator tests, with a hand-off
// between threads that fails when the flags are shared.)
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "frame/g719_codec.h"
#include "signal_files.h"

namespace {

struct StreamResult {
  std::vector<uint8_t> bitstream;
  std::vector<int16_t> decoded;
  bool operator==(const StreamResult &) const = default;
};

// Encodes every whole frame of pcm and decodes the result, losing every
// seventh frame so that concealment runs too.
StreamResult run_stream(const std::vector<int16_t> &pcm, int32_t bitrate) {
  StreamResult r;
  G719EncoderState *enc = g719_encoder_create(bitrate);
  G719DecoderState *dec = g719_decoder_create(bitrate);
  if (enc == nullptr || dec == nullptr) {
    g719_encoder_free(enc);
    g719_decoder_free(dec);
    return r;
  }
  const int32_t bytes = g719_encoder_frame_bytes(enc);
  const size_t frames = pcm.size() / G719_FRAME_SAMPLES;
  r.bitstream.resize(frames * bytes);
  r.decoded.resize(frames * G719_FRAME_SAMPLES);
  for (size_t f = 0; f < frames; ++f) {
    uint8_t *frame = r.bitstream.data() + f * bytes;
    g719_encode(enc, pcm.data() + f * G719_FRAME_SAMPLES, frame);
    g719_decode(dec, frame, r.decoded.data() + f * G719_FRAME_SAMPLES, f % 7 == 6 ? 1 : 0);
  }
  g719_encoder_free(enc);
  g719_decoder_free(dec);
  return r;
}

TEST(Concurrency, EightThreadsMatchOneThread) {
  const int32_t bitrates[] = {32000, 48000, 64000, 128000, 40000, 96000, 64000, 32000};
  std::vector<std::vector<int16_t>> signals;
  for (const auto &name : test_signals::names()) {
    signals.push_back(test_signals::load(name));
    ASSERT_GE(signals.back().size(), 20u * G719_FRAME_SAMPLES) << name;
  }
  ASSERT_EQ(signals.size(), 8u);

  std::vector<StreamResult> expected;
  for (size_t i = 0; i < signals.size(); ++i) {
    expected.push_back(run_stream(signals[i], bitrates[i]));
    ASSERT_FALSE(expected.back().bitstream.empty());
  }

  for (int round = 0; round < 3; ++round) {
    std::vector<StreamResult> got(signals.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < signals.size(); ++i) {
      // Each thread runs its stream twice so that streams overlap in time
      // even when threads start unevenly.
      threads.emplace_back([&, i] {
        got[i] = run_stream(signals[i], bitrates[i]);
        if (!(run_stream(signals[i], bitrates[i]) == got[i])) got[i].bitstream.clear();
      });
    }
    for (auto &t : threads) t.join();
    for (size_t i = 0; i < signals.size(); ++i) {
      EXPECT_TRUE(got[i].bitstream == expected[i].bitstream) << test_signals::names()[i] << " round " << round;
      EXPECT_TRUE(got[i].decoded == expected[i].decoded) << test_signals::names()[i] << " round " << round;
    }
  }
}

}  // namespace
