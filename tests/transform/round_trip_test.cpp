// Analysis followed directly by synthesis, without quantisation: window and
// fold, the encoder's block scaling, forward transform, the decoder's block
// scaling, inverse transform, overlap-add. The time-domain aliasing of each
// frame cancels in the overlap-add, so the output is the input delayed by
// exactly one frame, up to the transforms' arithmetic error.
//
// Error budget for one output sample (PCM units):
// - Coefficient quantisation. The nested 120-point multipliers are off by at
//   most one unit of 2^-15 against the engines' gain of 2^-2, i.e. 2^-13 of
//   the value they carry; an output of the 5-point module collects at most
//   five products, so each DCT-IV is off by at most 5 * 2^-13 = 6.1e-4 of
//   the largest magnitude it handles (the twiddles, at 2^-16, are
//   negligible next to it). Forward and inverse transform together:
//   1.22e-3, and the orthogonal transforms carry it back to the time domain
//   against the largest input sample around the output (the three input
//   frames that share its transform blocks). Used: 1.25e-3 * local peak.
// - Rounding: the 16-bit output rounding (1/2), the transient path's
//   rounding of the folded values to 16 bits and the block scalings'
//   dropped bits (together below 1): 2 units.
// Near full scale this allows 2 + 1.25e-3 * 32767 = 42 units (measured: 30
// for a full-scale tone); for material peaking at 8000 it allows 12
// (measured: 7; noise of RMS 2000 comes back within 3).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "frame/codec_state.h"
#include "transform/forward_transform.h"
#include "transform/inverse_transform.h"
#include "transform/transient_detector.h"
#include "transform/window_fold.h"
#include "frame/kernel_sets.h"

namespace {

constexpr int kFrame = 960;

// Encoder analysis and decoder synthesis of one stream, back to back.
class TransformChain {
 public:
  // One frame in, one frame out (the input of one frame earlier).
  void process(const Word16 *in, Word16 transient, Word16 *out) {
    Word32 folded[kFrame];
    Word32 coefficients[kFrame];
    Word32 aliased[2 * kFrame];

    g719_window_fold(in, folded, window_history_);
    Word32 m = 0;
    for (Word32 v : folded) m = std::max(m, L_abs(v));
    const Word16 enc_shift = norm_l(m);
    for (Word32 &v : folded) v = L_shl(v, enc_shift);
    g719_forward_transform<PortableKernels>(folded, coefficients, transient, 0);
    for (Word32 &v : coefficients) v = L_shr(v, enc_shift);

    m = 0;
    for (Word32 v : coefficients) m = std::max(m, L_abs(v));
    const Word16 dec_shift = sub(norm_l(m), 7);
    for (Word32 &v : coefficients) v = L_shl(v, dec_shift);
    g719_inverse_transform<PortableKernels>(coefficients, aliased, transient);
    for (Word32 &v : aliased) v = L_shr(v, dec_shift);
    g719_scaled_overlap_add(aliased, 0, out, overlap_history_);
  }

 private:
  Word32 window_history_[kFrame / 2] = {};
  Word32 overlap_history_[kFrame] = {};
};

using Signal = std::vector<Word16>;
using Decision = std::function<Word16(int frame, const Word16 *pcm)>;

struct Result {
  int worst_error = 0;
  double worst_ratio = 0;  // error / bound
};

int local_peak(const Signal &x, int frame) {
  const int lo = std::max(0, (frame - 1) * kFrame);
  const int hi = std::min(static_cast<int>(x.size()), (frame + 2) * kFrame);
  int p = 0;
  for (int i = lo; i < hi; ++i) p = std::max(p, std::abs(static_cast<int>(x[i])));
  return p;
}

Result round_trip(const Signal &x, const Decision &decide) {
  TransformChain chain;
  const int frames = static_cast<int>(x.size()) / kFrame;
  Signal y(x.size());
  for (int f = 0; f < frames; ++f) {
    chain.process(&x[f * kFrame], decide(f, &x[f * kFrame]), &y[f * kFrame]);
  }
  // Output frame f is input frame f - 1; before the first input frame the
  // encoder saw silence.
  Result r;
  for (int f = 0; f < frames; ++f) {
    const double bound = 2.0 + 1.25e-3 * local_peak(x, f - 1);
    for (int i = 0; i < kFrame; ++i) {
      const int expected = f == 0 ? 0 : x[(f - 1) * kFrame + i];
      const int e = std::abs(y[f * kFrame + i] - expected);
      r.worst_error = std::max(r.worst_error, e);
      r.worst_ratio = std::max(r.worst_ratio, e / bound);
    }
  }
  return r;
}

Word16 clip(double v) { return static_cast<Word16>(std::lround(std::clamp(v, -32768.0, 32767.0))); }

// Test signals, each 12 frames long.
Signal noise(double rms, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> g(0, rms);
  Signal x(12 * kFrame);
  for (auto &v : x) v = clip(g(rng));
  return x;
}

Signal sines(double amplitude) {
  Signal x(12 * kFrame);
  for (int n = 0; n < static_cast<int>(x.size()); ++n) {
    x[n] = clip(amplitude * (0.6 * std::sin(2 * M_PI * 440.0 * n / 48000) +
                             0.3 * std::sin(2 * M_PI * 3150.5 * n / 48000 + 1) +
                             0.1 * std::sin(2 * M_PI * 15000.0 * n / 48000)));
  }
  return x;
}

Signal tone(double amplitude, double hz) {
  Signal x(12 * kFrame);
  for (int n = 0; n < static_cast<int>(x.size()); ++n) x[n] = clip(amplitude * std::sin(2 * M_PI * hz * n / 48000));
  return x;
}

Signal clicks(Word16 amplitude) {
  Signal x(12 * kFrame, 0);
  for (int n = 100; n < static_cast<int>(x.size()); n += 733) x[n] = (n % 2 == 0) ? amplitude : -amplitude;
  return x;
}

Signal silence_then_burst(double rms) {
  Signal x = noise(rms, 77);
  // Silence up to the middle of frame 5, then a decaying burst.
  for (int n = 0; n < static_cast<int>(x.size()); ++n) {
    if (n < 5 * kFrame + 300) {
      x[n] = 0;
    } else {
      x[n] = clip(x[n] * std::exp(-(n - 5 * kFrame - 300) / 8000.0));
    }
  }
  return x;
}

struct Case {
  std::string name;
  Signal x;
};

std::vector<Case> signals(double level) {
  // level is the RMS of the noise-like signals; the tonal ones peak at 4x.
  return {{"noise", noise(level, 1)},
          {"sines", sines(4 * level)},
          {"tone", tone(4 * level, 1000)},
          {"clicks", clicks(clip(8 * level))},
          {"silence_then_burst", silence_then_burst(level)}};
}

std::vector<std::pair<std::string, Decision>> decisions() {
  return {{"stationary", [](int, const Word16 *) -> Word16 { return 0; }},
          {"transient", [](int, const Word16 *) -> Word16 { return 1; }},
          {"alternating", [](int f, const Word16 *) -> Word16 { return static_cast<Word16>(f % 2); }},
          {"pairs", [](int f, const Word16 *) -> Word16 { return static_cast<Word16>((f / 2) % 2); }}};
}

void check_level(double level, int *worst_error) {
  for (const auto &c : signals(level)) {
    for (const auto &[dname, decide] : decisions()) {
      const Result r = round_trip(c.x, decide);
      EXPECT_LT(r.worst_ratio, 1.0) << c.name << " / " << dname << " at RMS " << level << ": worst error "
                                    << r.worst_error;
      *worst_error = std::max(*worst_error, r.worst_error);
    }
    // Decisions as the encoder takes them, from the transient detector.
    G719EncoderState state{};
    const Result r = round_trip(
        c.x, [&state](int, const Word16 *pcm) { return g719_detect_transient<PortableKernels>(pcm, &state); });
    EXPECT_LT(r.worst_ratio, 1.0) << c.name << " / detector at RMS " << level << ": worst error " << r.worst_error;
    *worst_error = std::max(*worst_error, r.worst_error);
  }
}

TEST(RoundTrip, ModerateLevelsComeBackWithinAFewUnits) {
  int worst = 0;
  check_level(500, &worst);
  check_level(2000, &worst);
  EXPECT_LE(worst, 8);
  RecordProperty("worst_error", worst);
  std::printf("worst round-trip error at moderate levels: %d\n", worst);
}

TEST(RoundTrip, NearFullScaleStaysWithinTheLevelDependentBound) {
  int worst = 0;
  check_level(7000, &worst);
  // Tones right up to full scale.
  for (double hz : {50.0, 997.0, 11025.0, 23000.0}) {
    for (const auto &[dname, decide] : decisions()) {
      const Result r = round_trip(tone(32700, hz), decide);
      EXPECT_LT(r.worst_ratio, 1.0) << hz << " Hz / " << dname << ": worst error " << r.worst_error;
      worst = std::max(worst, r.worst_error);
    }
  }
  EXPECT_LE(worst, 40);
  RecordProperty("worst_error", worst);
  std::printf("worst round-trip error near full scale: %d\n", worst);
}

TEST(RoundTrip, SilenceStaysSilent) {
  const Signal x(6 * kFrame, 0);
  for (const auto &[dname, decide] : decisions()) {
    const Result r = round_trip(x, decide);
    EXPECT_EQ(r.worst_error, 0) << dname;
  }
}

}  // namespace
