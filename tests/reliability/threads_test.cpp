// Streams on eight threads at once, half of them on instances of the portable
// kernel set and half on the AVX2 set, give exactly what they give one after
// another on one thread: instances share no state, the operators' flags
// (which the transient detector clears and reads around single operators) are
// per thread, and a frame runs on its instance's set alone, whatever runs
// beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "frame/codec_state.h"
#include "frame/g719_codec.h"
#include "frame/kernel_choice.h"
#include "vector_manifest.h"

namespace {

struct Stream {
  std::vector<uint8_t> bitstream;
  std::vector<int16_t> decoded;
  bool operator==(const Stream &) const = default;
};

// Encodes every whole frame of pcm on instances of the given set and decodes
// the result, every seventh frame declared lost; empty if the instances do
// not run on that set.
Stream run_stream(const std::vector<int16_t> &pcm, int32_t bitrate, KernelSet set) {
  G719EncoderState *enc = g719_encoder_create_with_kernels(bitrate, set);
  G719DecoderState *dec = g719_decoder_create_with_kernels(bitrate, set);
  Stream s;
  const size_t bytes = bitrate / 400, frames = pcm.size() / G719_FRAME_SAMPLES;
  if (enc != nullptr && dec != nullptr && enc->kernels == set && dec->kernels == set) {
    s.bitstream.resize(frames * bytes);
    s.decoded.resize(frames * G719_FRAME_SAMPLES);
    for (size_t f = 0; f < frames; ++f) {
      g719_encode(enc, &pcm[f * G719_FRAME_SAMPLES], &s.bitstream[f * bytes]);
      g719_decode(dec, &s.bitstream[f * bytes], &s.decoded[f * G719_FRAME_SAMPLES], f % 7 == 6 ? 1 : 0);
    }
  }
  g719_encoder_free(enc);
  g719_decoder_free(dec);
  return s;
}

TEST(Concurrency, EightThreadsOnBothKernelSetsMatchOneThread) {
  const int32_t bitrates[] = {32000, 48000, 64000, 128000, 40000, 96000, 64000, 32000};
  std::vector<std::string> names;
  for (const VectorRow &row : load_vector_manifest(G719_VECTORS_DIR)) {
    if (row.input != "-" && std::find(names.begin(), names.end(), row.input) == names.end()) names.push_back(row.input);
  }
  ASSERT_EQ(names.size(), 8u);
  std::vector<std::vector<int16_t>> signals;
  std::vector<Stream> expected;
  for (size_t i = 0; i < names.size(); ++i) {
    signals.push_back(s16le_samples(read_vector_file(G719_VECTORS_DIR, names[i])));
    expected.push_back(run_stream(signals[i], bitrates[i], KernelSet::kPortable));
    ASSERT_GE(expected.back().bitstream.size(), 20u * bitrates[i] / 400) << names[i];
  }
  for (int round = 0; round < 3; ++round) {
    std::vector<Stream> got(signals.size());
    std::vector<std::thread> threads;
    std::latch start(static_cast<std::ptrdiff_t>(signals.size()));
    for (size_t i = 0; i < signals.size(); ++i) {
      // Twice per thread, so that streams overlap in time however the threads
      // start; the AVX2 set where the processor has it.
      const KernelSet set = i % 2 == 0 ? KernelSet::kPortable : g719_preferred_kernel_set();
      threads.emplace_back([&, i, set] {
        start.arrive_and_wait();
        got[i] = run_stream(signals[i], bitrates[i], set);
        if (!(run_stream(signals[i], bitrates[i], set) == got[i])) got[i] = {};
      });
    }
    for (std::thread &t : threads) t.join();
    for (size_t i = 0; i < signals.size(); ++i) EXPECT_TRUE(got[i] == expected[i]) << names[i] << ", round " << round;
  }
}

}  // namespace
