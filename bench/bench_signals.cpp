#include "bench_signals.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

#include "frame/g719_codec.h"

#ifndef G719_BENCH_SIGNALS_DIR
#error "G719_BENCH_SIGNALS_DIR must name the directory of the test signals"
#endif

namespace {

// The signal directory; G719_BENCH_SIGNALS overrides the built-in one so the
// benchmark can run from an installed copy.
std::string signals_dir() {
  const char *env = std::getenv("G719_BENCH_SIGNALS");
  return env != nullptr && env[0] != '\0' ? std::string(env) : std::string(G719_BENCH_SIGNALS_DIR);
}

const char *signal_file(SignalKind kind) {
  // speech_synth: voiced/unvoiced synthetic speech with pauses.
  // pluck_notes: plucked-string notes with sharp onsets (transient frames).
  return kind == SignalKind::kSpeech ? "speech_synth.pcm" : "pluck_notes.pcm";
}

BenchSignal load_signal(SignalKind kind) {
  BenchSignal s;
  s.name = signal_kind_name(kind);
  s.path = signals_dir() + "/" + signal_file(kind);
  std::ifstream in(s.path, std::ios::binary);
  if (!in) return s;
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  s.frames = static_cast<int>(bytes.size() / (960 * 2));
  s.samples.resize(static_cast<std::size_t>(s.frames) * 960);
  for (std::size_t i = 0; i < s.samples.size(); i++) {
    // Little-endian 16-bit samples, independent of the host's byte order.
    const auto lo = static_cast<std::uint8_t>(bytes[2 * i]);
    const auto hi = static_cast<std::uint8_t>(bytes[2 * i + 1]);
    s.samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
  }
  return s;
}

}  // namespace

const char *signal_kind_name(SignalKind kind) { return kind == SignalKind::kSpeech ? "speech" : "music"; }

const BenchSignal &bench_signal(SignalKind kind) {
  static const BenchSignal speech = load_signal(SignalKind::kSpeech);
  static const BenchSignal music = load_signal(SignalKind::kMusic);
  return kind == SignalKind::kSpeech ? speech : music;
}

const std::vector<std::uint8_t> &encoded_stream(SignalKind kind, std::int32_t bitrate) {
  static std::map<std::pair<int, std::int32_t>, std::vector<std::uint8_t>> cache;
  auto key = std::make_pair(static_cast<int>(kind), bitrate);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;

  std::vector<std::uint8_t> &out = cache[key];
  const BenchSignal &s = bench_signal(kind);
  G719EncoderState *enc = g719_encoder_create(bitrate);
  if (enc == nullptr || s.frames == 0) {
    g719_encoder_free(enc);
    return out;
  }
  const int bytes = g719_encoder_frame_bytes(enc);
  out.resize(static_cast<std::size_t>(s.frames) * bytes);
  for (int i = 0; i < s.frames; i++) g719_encode(enc, s.frame(i), out.data() + static_cast<std::size_t>(i) * bytes);
  g719_encoder_free(enc);
  return out;
}

bool require_signal(benchmark::State &state, const BenchSignal &signal) {
  if (signal.frames > 0) return true;
  const std::string msg = "no whole frame in test signal " + signal.path;
  state.SkipWithError(msg.c_str());
  return false;
}

void set_frame_counters(benchmark::State &state, int frames_per_iteration) {
  const auto frames = static_cast<double>(state.iterations()) * frames_per_iteration;
  state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["x_realtime"] = benchmark::Counter(frames * kFrameSeconds, benchmark::Counter::kIsRate);
}
