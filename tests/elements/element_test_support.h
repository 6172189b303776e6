// Shared helpers of the element tests: GStreamer start-up, harnesses, buffers,
// a test signal and what the codec API itself makes of payloads and samples.
#pragma once

#include <gst/audio/audio.h>
#include <gst/check/gstharness.h>
#include <gst/gst.h>

#include <cstdint>
#include <vector>

namespace zeb_test {

using Bytes = std::vector<uint8_t>;

inline constexpr const char *kRawCaps =
    "audio/x-raw, format = S16LE, layout = (string) interleaved, rate = (int) 48000, channels = (int) 1";
inline constexpr GstClockTime kFrame = 20 * GST_MSECOND;

// A harness around a new element of factory, with an integer property set
// before it starts, and caps for its input already sent unless null.
GstHarness *new_harness (const char *factory, const char *input_caps,
    const char *property = nullptr, int value = 0);

GstBuffer *buffer_from_bytes (const Bytes &bytes, GstClockTime pts = GST_CLOCK_TIME_NONE,
    GstClockTime duration = GST_CLOCK_TIME_NONE);
Bytes bytes_of (GstBuffer *buffer);
Bytes pcm_bytes (const std::vector<int16_t> &samples);

// A sum of tones with a noise burst every 0.3 s, so that both stationary and
// transient frames occur.
std::vector<int16_t> test_signal (size_t samples, uint32_t seed = 1);

struct Output {
  Bytes bytes;
  GstClockTime pts, duration;
  bool discont;
  int caps_bitrate = 0;  // of the caps it came with, where known
};
// Pulls every buffer the harness holds.
std::vector<Output> pull_all (GstHarness *h);
// Their bytes, back to back.
Bytes joined (const std::vector<Output> &outputs);
// The "bitrate" of every caps event the harness received since the last call.
std::vector<int> caps_bitrates (GstHarness *h);

// A payload: byte 0 = L << 2 | low_bits, N, then N frames of varied bytes.
Bytes make_payload (unsigned length_code, unsigned n, uint32_t seed = 7, uint8_t low_bits = 0);

// What fresh codec instances make of things, one instance per stretch of one
// bitrate. Payloads are decoded frame by frame (a payload of N = 0 stands for
// one lost frame); blocks are encoded into payloads of one frame each.
Bytes codec_decode (const std::vector<Bytes> &payloads);
std::vector<Bytes> codec_encode (int bitrate, const std::vector<int16_t> &samples);

// Stops the harnessed element and starts it again with a new stream.
void restart (GstHarness *h, const char *input_caps);

// The first error message on the bus of the harnessed element (null if none).
GError *take_bus_error (GstHarness *h);

// While in scope, every allocation from GStreamer's default allocator fails,
// which is what the base classes fall back to. Make input buffers first.
class FailingDefaultAllocator {
 public:
  FailingDefaultAllocator ();
  ~FailingDefaultAllocator ();

 private:
  GstAllocator *previous_;
};

}  // namespace zeb_test
