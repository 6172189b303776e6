// Fuzz target: the frame decoder on arbitrary bytes.
//
// Input layout: byte 0 picks the frame size (80..320 bytes, so every
// table-of-contents bitrate from 32000 to 128000 bit/s); then each frame is
// one flag byte (bit 0 = declared lost) followed by the frame's bytes, at
// most kMaxFrames frames (a handful keeps every input cheap; concealment and
// the overlap between frames need no more). A trailing partial frame is
// decoded from a zero-padded copy.
//
// Checks: exactly 960 samples are written per frame (guard samples around
// the output stay untouched, and the sanitizers watch every access), and
// decoding is deterministic (a second decoder fed the same frames gives the
// same samples).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "frame/g719_codec.h"

namespace {
constexpr int16_t kGuard = 0x5A5A;
constexpr int kGuardSamples = 16;
constexpr int kMaxFrames = 6;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const int32_t frame_bytes = 80 + data[0] % 241;
  const int32_t bitrate = frame_bytes * 400;
  data++;
  size--;

  G719DecoderState *a = g719_decoder_create(bitrate);
  G719DecoderState *b = g719_decoder_create(bitrate);
  if (a == nullptr || b == nullptr) __builtin_trap();
  if (g719_decoder_frame_bytes(a) != frame_bytes || g719_decoder_frame_samples(a) != 960) __builtin_trap();

  std::vector<int16_t> out_a(960 + 2 * kGuardSamples, kGuard);
  std::vector<int16_t> out_b(960);
  std::vector<uint8_t> frame(static_cast<size_t>(frame_bytes));
  size_t pos = 0;
  int frames = 0;
  while (pos < size && frames < kMaxFrames) {
    const bool lost = (data[pos] & 1) != 0;
    pos++;
    const size_t take = size - pos < frame.size() ? size - pos : frame.size();
    std::memset(frame.data(), 0, frame.size());
    if (take > 0) std::memcpy(frame.data(), data + pos, take);
    pos += take;
    g719_decode(a, frame.data(), out_a.data() + kGuardSamples, lost ? 1 : 0);
    g719_decode(b, frame.data(), out_b.data(), lost ? 1 : 0);
    for (int i = 0; i < kGuardSamples; ++i) {
      if (out_a[i] != kGuard || out_a[kGuardSamples + 960 + i] != kGuard) __builtin_trap();
    }
    if (std::memcmp(out_a.data() + kGuardSamples, out_b.data(), 960 * sizeof(int16_t)) != 0) __builtin_trap();
    frames++;
  }
  g719_decoder_free(a);
  g719_decoder_free(b);
  return 0;
}
