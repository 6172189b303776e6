// Fuzz target: the encoder on arbitrary PCM.
//
// Input layout: byte 0 picks the bitrate (a multiple of 400 from 32000 to
// 128000 bit/s); byte 1 picks how the rest becomes samples (raw S16LE, or
// each byte mapped to an extreme: -32768, 32767, 0 or -1, which gives
// full-scale square waves and alternating extremes); the samples are cut
// into 960-sample frames (the last one zero-padded), at most kMaxFrames of
// them (enough for a transient and its hangover; more only costs time).
//
// Checks: every frame is exactly bitrate / 400 bytes (guard bytes after the
// frame stay untouched), and the frame decodes without fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "frame/g719_codec.h"

namespace {
constexpr uint8_t kGuard = 0xA5;
constexpr int kGuardBytes = 32;
constexpr size_t kMaxFrames = 4;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  const int32_t bitrate = 32000 + 400 * (data[0] % 241);
  const bool extremes = (data[1] & 1) != 0;
  data += 2;
  size -= 2;

  std::vector<int16_t> pcm;
  pcm.reserve(960 * kMaxFrames + 32);
  if (extremes) {
    static constexpr int16_t kLevels[4] = {-32768, 32767, 0, -1};
    for (size_t i = 0; i < size && pcm.size() < 960 * kMaxFrames; ++i) {
      // Each byte gives four 2-bit symbols, each held for a few samples.
      for (int k = 0; k < 4; ++k) {
        const int16_t v = kLevels[(data[i] >> (2 * k)) & 3];
        for (int r = 0; r < 1 + (data[i] >> 7) * 7; ++r) pcm.push_back(v);
      }
    }
  } else {
    for (size_t i = 0; i + 1 < size && pcm.size() < 960 * kMaxFrames; i += 2) {
      pcm.push_back(static_cast<int16_t>(data[i] | (data[i + 1] << 8)));
    }
  }
  if (pcm.empty()) return 0;
  pcm.resize(std::min((pcm.size() + 959) / 960, kMaxFrames) * 960, 0);

  G719EncoderState *enc = g719_encoder_create(bitrate);
  G719DecoderState *dec = g719_decoder_create(bitrate);
  if (enc == nullptr || dec == nullptr) __builtin_trap();
  const int32_t bytes = g719_encoder_frame_bytes(enc);
  if (bytes != bitrate / 400) __builtin_trap();

  std::vector<uint8_t> frame(static_cast<size_t>(bytes) + kGuardBytes, kGuard);
  std::vector<int16_t> out(960);
  for (size_t f = 0; f < pcm.size() / 960; ++f) {
    g719_encode(enc, pcm.data() + f * 960, frame.data());
    for (int i = 0; i < kGuardBytes; ++i) {
      if (frame[static_cast<size_t>(bytes) + i] != kGuard) __builtin_trap();
    }
    g719_decode(dec, frame.data(), out.data(), 0);
  }
  g719_encoder_free(enc);
  g719_decoder_free(dec);
  return 0;
}
