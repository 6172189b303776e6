// Encoder and decoder back to back on the speech and music signals: SNR and
// segmental SNR per bitrate. The decoded signal is the input one frame late.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "frame/g719_codec.h"

namespace {

std::vector<int16_t> read_signal(const std::string &name) {
  std::ifstream in(std::string(G719_VECTORS_DIR) + "/signals/" + name, std::ios::binary);
  std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<int16_t> s(b.size() / 2);
  for (size_t i = 0; i < s.size(); i++) s[i] = static_cast<int16_t>(static_cast<uint16_t>(b[2 * i] | (b[2 * i + 1] << 8)));
  return s;
}

std::vector<int16_t> code_and_decode(const std::vector<int16_t> &input, int32_t rate) {
  G719EncoderState *enc = g719_encoder_create(rate);
  G719DecoderState *dec = g719_decoder_create(rate);
  EXPECT_TRUE(enc && dec);
  std::vector<int16_t> out;
  if (!enc || !dec) return out;
  std::vector<uint8_t> frame(static_cast<size_t>(g719_encoder_frame_bytes(enc)));
  const size_t frames = input.size() / 960;
  out.resize(frames * 960);
  for (size_t f = 0; f < frames; f++) {
    g719_encode(enc, input.data() + f * 960, frame.data());
    g719_decode(dec, frame.data(), out.data() + f * 960, 0);
  }
  g719_encoder_free(enc);
  g719_decoder_free(dec);
  return out;
}

struct Quality {
  double snr_db;
  double segmental_snr_db;
};

// Input sample n against output sample n + 960. Segmental SNR averages the
// per-frame SNR, each limited to [-10, 35] dB, over frames whose input is
// above -60 dBFS.
Quality measure(const std::vector<int16_t> &in, const std::vector<int16_t> &out) {
  double signal = 0, noise = 0, seg_sum = 0;
  int seg_count = 0;
  const size_t n = out.size() - 960;
  for (size_t f = 0; f + 960 <= n; f += 960) {
    double s = 0, e = 0;
    for (size_t i = f; i < f + 960; i++) {
      const double x = in[i];
      const double d = x - out[i + 960];
      s += x * x;
      e += d * d;
    }
    signal += s;
    noise += e;
    if (s / 960 > 32768.0 * 32768.0 * 1e-6) {
      const double snr = 10 * std::log10(s / std::max(e, 1e-9));
      seg_sum += std::min(35.0, std::max(-10.0, snr));
      seg_count++;
    }
  }
  return {10 * std::log10(signal / std::max(noise, 1e-9)), seg_count ? seg_sum / seg_count : 0};
}

TEST(CodecQuality, SnrRisesWithTheBitrateOnSpeechAndMusic) {
  const int32_t rates[] = {32000, 48000, 64000, 96000, 128000};
  for (const char *name : {"speech_synth.pcm", "pluck_notes.pcm"}) {
    const std::vector<int16_t> input = read_signal(name);
    ASSERT_GT(input.size(), 960u * 20) << name;
    double previous = -100;
    double lowest_rate_snr = 0;
    for (int32_t rate : rates) {
      const Quality q = measure(input, code_and_decode(input, rate));
      std::printf("%-18s %6d bit/s  SNR %6.2f dB  segmental SNR %6.2f dB\n", name, rate, q.snr_db,
                  q.segmental_snr_db);
      RecordProperty(std::string(name) + "_" + std::to_string(rate) + "_snr_db", std::to_string(q.snr_db));
      // A working codec at these rates is well above 10 dB; more bits never
      // make it worse.
      EXPECT_GT(q.snr_db, 10.0) << name << " at " << rate;
      EXPECT_GT(q.segmental_snr_db, 10.0) << name << " at " << rate;
      EXPECT_GT(q.snr_db, previous) << name << " at " << rate;
      if (rate == rates[0]) lowest_rate_snr = q.snr_db;
      previous = q.snr_db;
    }
    // Four times the bits buy at least 2 dB per doubling.
    EXPECT_GT(previous, lowest_rate_snr + 4.0) << name;
  }
}

}  // namespace
