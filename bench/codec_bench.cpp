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

// The whole signal per iteration with fresh instances: a fixed amount of work
// per iteration, so instruction counts (bench/count-instructions) repeat
// exactly from run to run.
void encode_signal(benchmark::State &state, SignalKind kind, std::int32_t bitrate) {
  const BenchSignal &signal = bench_signal(kind);
  if (!require_signal(state, signal)) return;
  std::uint8_t frame[G719_MAX_FRAME_BYTES];
  for (auto _ : state) {
    G719EncoderState *enc = g719_encoder_create(bitrate);
    if (enc == nullptr) {
      state.SkipWithError("g719_encoder_create refused the bitrate");
      break;
    }
    for (int i = 0; i < signal.frames; i++) {
      g719_encode(enc, signal.frame(i), frame);
      benchmark::DoNotOptimize(frame);
      benchmark::ClobberMemory();
    }
    g719_encoder_free(enc);
  }
  set_frame_counters(state, signal.frames);
}

void decode_signal(benchmark::State &state, SignalKind kind, std::int32_t bitrate) {
  const BenchSignal &signal = bench_signal(kind);
  if (!require_signal(state, signal)) return;
  const std::vector<std::uint8_t> &stream = encoded_stream(kind, bitrate);
  if (stream.empty()) {
    state.SkipWithError("no encoded stream for the bitrate");
    return;
  }
  const std::size_t bytes = stream.size() / static_cast<std::size_t>(signal.frames);
  std::int16_t pcm[G719_FRAME_SAMPLES];
  for (auto _ : state) {
    G719DecoderState *dec = g719_decoder_create(bitrate);
    if (dec == nullptr) {
      state.SkipWithError("g719_decoder_create refused the bitrate");
      break;
    }
    for (int i = 0; i < signal.frames; i++) {
      g719_decode(dec, stream.data() + static_cast<std::size_t>(i) * bytes, pcm, 0);
      benchmark::DoNotOptimize(pcm);
      benchmark::ClobberMemory();
    }
    g719_decoder_free(dec);
  }
  set_frame_counters(state, signal.frames);
}

int register_codec_benchmarks() {
  for (SignalKind kind : kSignalKinds) {
    for (std::int32_t bitrate : kBenchBitrates) {
      const std::string suffix = std::string(signal_kind_name(kind)) + "/" + std::to_string(bitrate);
      benchmark::RegisterBenchmark(("encode/" + suffix).c_str(), encode_frames, kind, bitrate);
      benchmark::RegisterBenchmark(("decode/" + suffix).c_str(), decode_frames, kind, bitrate);
      benchmark::RegisterBenchmark(("encode_signal/" + suffix).c_str(), encode_signal, kind, bitrate);
      benchmark::RegisterBenchmark(("decode_signal/" + suffix).c_str(), decode_signal, kind, bitrate);
    }
  }
  return 0;
}

const int codec_benchmarks_registered = register_codec_benchmarks();

}  // namespace
