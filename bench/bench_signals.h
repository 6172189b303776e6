// Real audio for the benchmarks: the speech-like and music-like test signals
// cut into whole 960-sample frames, and their encoded streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

enum class SignalKind { kSpeech, kMusic };

inline constexpr SignalKind kSignalKinds[] = {SignalKind::kSpeech, SignalKind::kMusic};
inline constexpr std::int32_t kBenchBitrates[] = {32000, 48000, 64000};
inline constexpr double kFrameSeconds = 0.020;  // 960 samples at 48 kHz

struct BenchSignal {
  std::string name;                  // "speech" or "music"
  std::string path;                  // file it was read from
  std::vector<std::int16_t> samples; // whole frames only
  int frames = 0;

  const std::int16_t *frame(int i) const { return samples.data() + static_cast<std::size_t>(i) * 960; }
};

// Loads (once) the signal of the given kind. A missing or short file gives a
// signal with frames == 0; benchmarks then skip with an error naming path.
const BenchSignal &bench_signal(SignalKind kind);

// The whole signal encoded at bitrate by a fresh encoder, frames back to back
// (bitrate / 400 bytes each), computed once per (kind, bitrate). Empty when
// the signal is missing or the bitrate is refused.
const std::vector<std::uint8_t> &encoded_stream(SignalKind kind, std::int32_t bitrate);

const char *signal_kind_name(SignalKind kind);

// Skips the benchmark with a clear message when the signal has no frames.
// Returns true when the benchmark can run.
bool require_signal(benchmark::State &state, const BenchSignal &signal);

// Reports the throughput of a benchmark whose every iteration handled
// frames_per_iteration 20 ms frames: "frames/s" and "x_realtime" (seconds of
// audio per CPU second; Google Benchmark divides rate counters by the CPU
// time).
void set_frame_counters(benchmark::State &state, int frames_per_iteration = 1);
