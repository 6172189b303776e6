// The decoder's stages one at a time, on the frames of the signal encoded at
// 64000 bit/s: spectral decoding up to the synthesis input (norms, allocation,
// indices, lattice decoding, spare bits, noise filling, scaling by the norms,
// block scaling, de-interleaving), and synthesis (inverse transform, undoing
// the block scaling, overlap-add).
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "bench_signals.h"
#include "frame/g719_codec.h"
#include "stage_traces.h"
#include "transform/inverse_transform.h"

namespace {

constexpr std::int32_t kStageBitrate = 64000;
constexpr int kAliased = 1920;

bool require_trace(benchmark::State &state, const DecoderStageTrace &trace) {
  if (trace.mismatch.empty()) return true;
  state.SkipWithError(trace.mismatch.c_str());
  return false;
}

void spectral_decoding(benchmark::State &state, SignalKind kind) {
  const DecoderStageTrace &trace = decoder_stage_trace(kind, kStageBitrate);
  if (!require_trace(state, trace)) return;
  const int frames = static_cast<int>(trace.bit_words.size());
  Word32 coefficients[kFrameSamples];
  Word16 transient = 0;
  int f = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(decode_spectrum_by_stages(trace.bit_words[f].data(), trace.budget_stationary,
                                                       trace.budget_transient, coefficients, &transient));
    benchmark::DoNotOptimize(coefficients);
    benchmark::ClobberMemory();
    if (++f == frames) f = 0;
  }
  set_frame_counters(state);
}

void synthesis(benchmark::State &state, SignalKind kind) {
  const DecoderStageTrace &trace = decoder_stage_trace(kind, kStageBitrate);
  if (!require_trace(state, trace)) return;
  const int frames = static_cast<int>(trace.coefficients.size());
  G719DecoderState *dec = g719_decoder_create(kStageBitrate);
  Word32 coefficients[kFrameSamples];
  Word32 aliased[kAliased];
  Word16 pcm[kFrameSamples];
  int f = 0;
  for (auto _ : state) {
    // The inverse transform uses its input as working storage.
    for (int i = 0; i < kFrameSamples; i++) coefficients[i] = trace.coefficients[f][i];
    const Word16 shift = trace.norm_shift[f];
    g719_inverse_transform(coefficients, aliased, trace.transient[f]);
    for (int i = 0; i < kAliased; i++) aliased[i] = L_shr(aliased[i], shift);
    g719_overlap_add(aliased, pcm, dec->overlap_history);
    benchmark::DoNotOptimize(pcm);
    benchmark::ClobberMemory();
    if (++f == frames) f = 0;
  }
  g719_decoder_free(dec);
  set_frame_counters(state);
}

int register_decoder_stage_benchmarks() {
  for (SignalKind kind : kSignalKinds) {
    const std::string suffix = std::string("/") + signal_kind_name(kind) + "/64000";
    benchmark::RegisterBenchmark(("dec_stage/spectral_decoding" + suffix).c_str(), spectral_decoding, kind);
    benchmark::RegisterBenchmark(("dec_stage/synthesis" + suffix).c_str(), synthesis, kind);
  }
  return 0;
}

const int decoder_stage_benchmarks_registered = register_decoder_stage_benchmarks();

}  // namespace
