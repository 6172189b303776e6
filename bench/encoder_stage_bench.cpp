// The encoder's stages one at a time, each on the inputs it meets when the
// signal is encoded at 64000 bit/s, so the cost of a frame can be split:
// transient detection, windowing + block scaling + forward transform, norms +
// bit allocation, and the whole spectral encoding (norms, allocation,
// normalisation, lattice quantization, index coding, spare bits) with the
// noise-level index. Quantization alone is the difference of the last two.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "bench_signals.h"
#include "frame/bit_words.h"
#include "frame/g719_codec.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/noise_level_index.h"
#include "spectral_enc/spectral_encoder.h"
#include "stage_traces.h"
#include "transform/forward_transform.h"
#include "transform/transient_detector.h"
#include "transform/window_fold.h"

namespace {

constexpr std::int32_t kStageBitrate = 64000;

bool require_trace(benchmark::State &state, const EncoderStageTrace &trace) {
  if (trace.mismatch.empty()) return true;
  state.SkipWithError(trace.mismatch.c_str());
  return false;
}

void transient_detector(benchmark::State &state, SignalKind kind) {
  const BenchSignal &signal = bench_signal(kind);
  if (!require_signal(state, signal)) return;
  G719EncoderState *enc = g719_encoder_create(kStageBitrate);
  int f = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(g719_detect_transient(signal.frame(f), enc));
    if (++f == signal.frames) f = 0;
  }
  g719_encoder_free(enc);
  set_frame_counters(state);
}

void window_and_transform(benchmark::State &state, SignalKind kind) {
  const BenchSignal &signal = bench_signal(kind);
  if (!require_signal(state, signal)) return;
  const EncoderStageTrace &trace = encoder_stage_trace(kind, kStageBitrate);
  if (!require_trace(state, trace)) return;
  G719EncoderState *enc = g719_encoder_create(kStageBitrate);
  Word32 folded[kFrameSamples];
  Word32 coefficients[kFrameSamples];
  int f = 0;
  for (auto _ : state) {
    g719_window_fold(signal.frame(f), folded, enc->window_history);
    const Word16 shift = normalize_block(folded);
    g719_forward_transform(folded, coefficients, trace.transient[f]);
    for (int i = 0; i < kFrameSamples; i++) coefficients[i] = L_shr(coefficients[i], shift);
    benchmark::DoNotOptimize(coefficients);
    benchmark::ClobberMemory();
    if (++f == signal.frames) f = 0;
  }
  g719_encoder_free(enc);
  set_frame_counters(state);
}

void norms_allocation(benchmark::State &state, SignalKind kind) {
  const EncoderStageTrace &trace = encoder_stage_trace(kind, kStageBitrate);
  if (!require_trace(state, trace)) return;
  const int frames = static_cast<int>(trace.coefficients.size());
  Word32 coefficients[kFrameSamples];
  Word16 allocation[kNumBands];
  int f = 0;
  for (auto _ : state) {
    // The stage works in place; the copy is also in the spectral-encoding
    // benchmark, so it cancels in their difference.
    for (int i = 0; i < kFrameSamples; i++) coefficients[i] = trace.coefficients[f][i];
    const Word16 transient = trace.transient[f];
    benchmark::DoNotOptimize(norms_and_allocation(coefficients, transient, trace.frame_bits,
                                                  transient != 0 ? trace.budget_transient : trace.budget_stationary,
                                                  allocation));
    benchmark::ClobberMemory();
    if (++f == frames) f = 0;
  }
  set_frame_counters(state);
}

void spectral_encoding(benchmark::State &state, SignalKind kind) {
  const EncoderStageTrace &trace = encoder_stage_trace(kind, kStageBitrate);
  if (!require_trace(state, trace)) return;
  const int frames = static_cast<int>(trace.coefficients.size());
  Word32 coefficients[kFrameSamples];
  Word16 normalized[kCodedCoefficients];
  Word16 allocation[kNumBands];
  Word16 words[kMaxFrameBits];
  int f = 0;
  for (auto _ : state) {
    for (int i = 0; i < kFrameSamples; i++) coefficients[i] = trace.coefficients[f][i];
    const Word16 transient = trace.transient[f];
    Word16 *cursor = words;
    g719_encode_spectrum(&cursor, coefficients, normalized, allocation,
                         transient != 0 ? trace.budget_transient : trace.budget_stationary, trace.frame_bits,
                         transient);
    if (transient == 0) g719_write_value(g719_noise_level_index(normalized, allocation), 2, cursor);
    benchmark::DoNotOptimize(words);
    benchmark::ClobberMemory();
    if (++f == frames) f = 0;
  }
  set_frame_counters(state);
}

int register_encoder_stage_benchmarks() {
  for (SignalKind kind : kSignalKinds) {
    const std::string suffix = std::string("/") + signal_kind_name(kind) + "/64000";
    benchmark::RegisterBenchmark(("enc_stage/transient_detector" + suffix).c_str(), transient_detector, kind);
    benchmark::RegisterBenchmark(("enc_stage/window_transform" + suffix).c_str(), window_and_transform, kind);
    benchmark::RegisterBenchmark(("enc_stage/norms_allocation" + suffix).c_str(), norms_allocation, kind);
    benchmark::RegisterBenchmark(("enc_stage/spectral_encoding" + suffix).c_str(), spectral_encoding, kind);
  }
  return 0;
}

const int encoder_stage_benchmarks_registered = register_encoder_stage_benchmarks();

}  // namespace
