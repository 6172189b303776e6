// Whole-codec throughput through the public frame API: encode and decode one
// 20 ms frame per iteration, at the element's three bitrates, on speech and
// music. Frames are presented in stream order; at the end of the signal the
// stream wraps to its first frame with the instance's history kept.
// Each benchmark runs with instances on the processor's preferred kernel set
// and again on the portable set ("..._portable/"), in the same process, so
// the gain of the AVX2 kernels is a ratio of two runs.
#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench_signals.h"
#include "frame/g719_codec.h"
#include "frame/kernel_choice.h"

namespace {

using CodecBenchmark = void (*)(benchmark::State &, SignalKind, std::int32_t, KernelSet);

void encode_frames(benchmark::State &state, SignalKind kind, std::int32_t bitrate, KernelSet kernels) {
  const BenchSignal &signal = bench_signal(kind);
  if (!require_signal(state, signal)) return;
  G719EncoderState *enc = g719_encoder_create_with_kernels(bitrate, kernels);
  if (enc == nullptr) {
    state.SkipWithError("g719_encoder_create_with_kernels refused the bitrate or the kernel set");
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

void decode_frames(benchmark::State &state, SignalKind kind, std::int32_t bitrate, KernelSet kernels) {
  const BenchSignal &signal = bench_signal(kind);
  if (!require_signal(state, signal)) return;
  const std::vector<std::uint8_t> &stream = encoded_stream(kind, bitrate);
  G719DecoderState *dec = g719_decoder_create_with_kernels(bitrate, kernels);
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
void encode_signal(benchmark::State &state, SignalKind kind, std::int32_t bitrate, KernelSet kernels) {
  const BenchSignal &signal = bench_signal(kind);
  if (!require_signal(state, signal)) return;
  std::uint8_t frame[G719_MAX_FRAME_BYTES];
  for (auto _ : state) {
    G719EncoderState *enc = g719_encoder_create_with_kernels(bitrate, kernels);
    if (enc == nullptr) {
      state.SkipWithError("g719_encoder_create_with_kernels refused the bitrate or the kernel set");
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

void decode_signal(benchmark::State &state, SignalKind kind, std::int32_t bitrate, KernelSet kernels) {
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
    G719DecoderState *dec = g719_decoder_create_with_kernels(bitrate, kernels);
    if (dec == nullptr) {
      state.SkipWithError("g719_decoder_create_with_kernels refused the bitrate or the kernel set");
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

void register_on_both_paths(const std::string &name, const std::string &suffix, CodecBenchmark run,
                            SignalKind kind, std::int32_t bitrate) {
  benchmark::RegisterBenchmark((name + "/" + suffix).c_str(), [=](benchmark::State &state) {
    run(state, kind, bitrate, g719_preferred_kernel_set());
  });
  benchmark::RegisterBenchmark((name + "_portable/" + suffix).c_str(), [=](benchmark::State &state) {
    run(state, kind, bitrate, KernelSet::kPortable);
  });
}

int register_codec_benchmarks() {
  for (SignalKind kind : kSignalKinds) {
    for (std::int32_t bitrate : kBenchBitrates) {
      const std::string suffix = std::string(signal_kind_name(kind)) + "/" + std::to_string(bitrate);
      register_on_both_paths("encode", suffix, encode_frames, kind, bitrate);
      register_on_both_paths("decode", suffix, decode_frames, kind, bitrate);
      register_on_both_paths("encode_signal", suffix, encode_signal, kind, bitrate);
      register_on_both_paths("decode_signal", suffix, decode_signal, kind, bitrate);
    }
  }
  return 0;
}

const int codec_benchmarks_registered = register_codec_benchmarks();

}  // namespace
