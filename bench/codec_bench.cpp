// Whole-codec throughput through the public frame API: encode and decode one
// 20 ms frame per iteration, at the element's three bitrates, on speech and
// music. Frames are presented in stream order; at the end of the signal the
// stream wraps to its first frame with the instance's history kept.
#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_signals.h"
#include "frame/g719_codec.h"

namespace {

void encode_frames(benchmark::State &state, SignalKind kind, std::int32_t bitrate) {
  const BenchSignal &signal = bench_signal(kind);
  if (!require_signal(state, signal)) return;
  G719EncoderState *enc = g719_encoder_create(bitrate);
  if (enc == nullptr) {
    state.SkipWithError("g719_encoder_create refused the bitrate");
    return;
  }
  std::uint8_t frame[G719_MAX_FRAME_BYTES];
  int i = 0;
  for (auto _ : state) {
    g719_encode(enc, signal.frame(i), frame);
    benchmark::DoNotOptimize(frame);
    benchmark::ClobberMemory();
    if (++i == signal.frames) i = 0;
  }
  g719_encoder_free(enc);
  set_frame_counters(state);
}

void decode_frames(benchmark::State &state, SignalKind kind, std::int32_t bitrate) {
  const BenchSignal &signal = bench_signal(kind);
  if (!require_signal(state, signal)) return;
  const std::vector<std::uint8_t> &stream = encoded_stream(kind, bitrate);
  G719DecoderState *dec = g719_decoder_create(bitrate);
  if (dec == nullptr || stream.empty()) {
    g719_decoder_free(dec);
    state.SkipWithError("no decoder or no encoded stream for the bitrate");
    return;
  }
  const int bytes = g719_decoder_frame_bytes(dec);
  std::int16_t pcm[G719_FRAME_SAMPLES];
  int i = 0;
  for (auto _ : state) {
    g719_decode(dec, stream.data() + static_cast<std::size_t>(i) * bytes, pcm, 0);
    benchmark::DoNotOptimize(pcm);
    benchmark::ClobberMemory();
    if (++i == signal.frames) i = 0;
  }
  g719_decoder_free(dec);
  set_frame_counters(state);
}

int register_codec_benchmarks() {
  for (SignalKind kind : kSignalKinds) {
    for (std::int32_t bitrate : kBenchBitrates) {
      const std::string suffix = std::string(signal_kind_name(kind)) + "/" + std::to_string(bitrate);
      benchmark::RegisterBenchmark(("encode/" + suffix).c_str(), encode_frames, kind, bitrate);
      benchmark::RegisterBenchmark(("decode/" + suffix).c_str(), decode_frames, kind, bitrate);
    }
  }
  return 0;
}

const int codec_benchmarks_registered = register_codec_benchmarks();

}  // namespace
