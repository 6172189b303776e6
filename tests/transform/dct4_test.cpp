// The FFT and DCT-IV engines against double-precision references.
//
// Error budget, used by every bound below:
// - Coefficient quantisation. The nested 120-point multipliers hold 1/4 of
//   their true values to within one unit of 2^-15, i.e. to 2^-13 relative to
//   the engines' gain of 1/4; uniformly spread within that unit their RMS
//   error is 2^-13 / sqrt(3) = 7.0e-5, and an output of the 5-point module
//   sums up to five products, so the DFT outputs carry an incoherent relative
//   error of about sqrt(5) * 7.0e-5 = 1.6e-4 of the output RMS. The twiddles
//   (error at most 2^-16 of 1.0, and 0.5 / 23930 for the pre-twiddle gain)
//   add about 4e-5. Rounded up: eps = 2.0e-4 per engine.
// - The largest of several hundred outputs of such an incoherent error stays
//   below 5 times its RMS, hence a term of 5 * eps = 1.0e-3 times the RMS of
//   the exact output (Parseval makes that RMS independent of how the input
//   is shaped).
// - A dominant output (a tone, a constant) does not spread its error
//   incoherently: it leaks into other outputs through the few product paths
//   they share, each off by at most one unit of 2^-15 against the gain of
//   2^-2; two such paths give a term of 2^-12 = 2.44e-4 times the largest
//   exact output (measured: 6.9e-5).
// - Truncation. Every L_mls floors (at most one unit); the floors have a
//   common sign, so they add up coherently along the engine: a pre-twiddle
//   error of 2 units per value reaches one output with the DFT gain N/8,
//   the 144 multiplications reach one output at most 30 times with unit
//   weight, the radix-4 products add 2 units times the 120-point gain 30.
//   That gives at most 2 * 480/4 + 60 + 30 + 2 = 332 units for 960 points
//   and 2 * 120/4 + 30 + 2 = 92 units for 240 points (measured: 120 and 30).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "transform/dct4.h"
#include "transform/fft.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRelativeBound = 1.0e-3;
constexpr double kPeakBound = 1.0 / 4096;

double rms(const std::vector<double> &v) {
  double s = 0;
  for (double x : v) s += x * x;
  return std::sqrt(s / static_cast<double>(v.size()));
}

double peak(const std::vector<double> &v) {
  double m = 0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}

// The error bound for exact outputs ref (real parts, or magnitudes).
double error_bound(const std::vector<double> &ref, double truncation_bound) {
  return kRelativeBound * rms(ref) + kPeakBound * peak(ref) + truncation_bound;
}

// 0.18257 * sum_n x[n] cos(pi (n + 1/2) (k + 1/2) / N).
std::vector<double> reference_dct4(const std::vector<Word32> &x) {
  const int n_points = static_cast<int>(x.size());
  std::vector<double> y(x.size());
  for (int k = 0; k < n_points; ++k) {
    long double s = 0;
    for (int n = 0; n < n_points; ++n) {
      s += static_cast<long double>(x[n]) * std::cos(kPi * (n + 0.5) * (k + 0.5) / n_points);
    }
    y[k] = 0.18257 * static_cast<double>(s);
  }
  return y;
}

// Runs the engine of the input's size and returns the worst error divided by
// the bound; below 1 passes.
double dct_error_ratio(std::vector<Word32> x, double truncation_bound, double *worst_error = nullptr) {
  const std::vector<double> ref = reference_dct4(x);
  std::vector<Word32> y(x.size());
  if (x.size() == 960) {
    dct4_960(x.data(), y.data());
  } else {
    const std::vector<Word32> before = x;
    dct4_240(x.data(), y.data());
    EXPECT_EQ(x, before) << "dct4_240 must leave its input unchanged";
  }
  const double bound = error_bound(ref, truncation_bound);
  double worst = 0;
  for (std::size_t k = 0; k < y.size(); ++k) worst = std::max(worst, std::fabs(y[k] - ref[k]));
  if (worst_error != nullptr) *worst_error = worst;
  return worst / bound;
}

std::vector<Word32> random_input(int n, Word32 magnitude, std::mt19937 &rng) {
  std::uniform_int_distribution<Word32> dist(-magnitude, magnitude);
  std::vector<Word32> x(n);
  for (auto &v : x) v = dist(rng);
  return x;
}

TEST(Dct4, RandomInputsAtTheLargestMagnitudesMatchTheReference) {
  std::mt19937 rng(20261205);
  double worst960 = 0;
  double worst240 = 0;
  for (int trial = 0; trial < 4; ++trial) {
    double e = 0;
    // The long transform sees at most 2^22, the short ones below 2^24.
    EXPECT_LT(dct_error_ratio(random_input(960, 1 << 22, rng), 332, &e), 1.0) << trial;
    worst960 = std::max(worst960, e);
    EXPECT_LT(dct_error_ratio(random_input(240, 46341 * 256, rng), 92, &e), 1.0) << trial;
    worst240 = std::max(worst240, e);
  }
  RecordProperty("worst_error_960", std::to_string(worst960));
  RecordProperty("worst_error_240", std::to_string(worst240));
}

TEST(Dct4, SmallAndMidLevelInputsStayWithinTheTruncationBudget) {
  std::mt19937 rng(7);
  for (Word32 magnitude : {1, 16, 1000, 65536}) {
    EXPECT_LT(dct_error_ratio(random_input(960, magnitude, rng), 332), 1.0) << magnitude;
    EXPECT_LT(dct_error_ratio(random_input(240, magnitude, rng), 92), 1.0) << magnitude;
  }
}

TEST(Dct4, ZeroInputGivesZeroOutput) {
  std::vector<Word32> x960(960, 0), y960(960, 1);
  dct4_960(x960.data(), y960.data());
  EXPECT_EQ(y960, std::vector<Word32>(960, 0));
  std::vector<Word32> x240(240, 0), y240(240, 1);
  dct4_240(x240.data(), y240.data());
  EXPECT_EQ(y240, std::vector<Word32>(240, 0));
}

TEST(Dct4, ConstantInputAlternatesInSignAndFallsOffAsOneOverK) {
  // sum_n cos(pi (n + 1/2) (k + 1/2) / N) = (-1)^k / (2 sin(pi (k + 1/2) / 2N)).
  const Word32 v = 1 << 21;
  std::vector<Word32> x(960, v), y(960);
  std::vector<double> expected(960);
  for (int k = 0; k < 960; ++k) {
    expected[k] = 0.18257 * v * ((k % 2 == 0) ? 1 : -1) / (2 * std::sin(kPi * (k + 0.5) / 1920));
  }
  const double bound = error_bound(expected, 332);
  dct4_960(x.data(), y.data());
  for (int k = 0; k < 960; ++k) EXPECT_NEAR(y[k], expected[k], bound) << k;
  EXPECT_GT(y[0], 0);
  EXPECT_LT(y[1], 0);
  EXPECT_GT(y[0], -y[1]);
}

TEST(Dct4, ImpulsesGiveCosinesOfTheirPosition) {
  // dct4_240 of 2^20 at x[0] is 0.18257 * 2^20 * cos(pi (k + 1/2) / 480).
  std::vector<Word32> x(240, 0), y(240);
  x[0] = 1 << 20;
  dct4_240(x.data(), y.data());
  for (int k = 0; k < 240; ++k) {
    EXPECT_NEAR(y[k], 0.18257 * (1 << 20) * std::cos(kPi * (k + 0.5) / 480), 40) << k;
  }
  for (int pos : {0, 1, 479, 480, 958, 959}) {
    std::vector<Word32> z(960, 0);
    z[pos] = -(1 << 22);
    EXPECT_LT(dct_error_ratio(z, 332), 1.0) << pos;
  }
  for (int pos : {0, 1, 119, 120, 238, 239}) {
    std::vector<Word32> z(240, 0);
    z[pos] = 46341 * 256;
    EXPECT_LT(dct_error_ratio(z, 92), 1.0) << pos;
  }
}

// The DFT divided by 4, exp(-2 pi j n k / N).
std::vector<Cplx> run_fft(std::vector<Cplx> z) {
  if (z.size() == 120) {
    fft_120(z.data());
  } else {
    fft_480(z.data());
  }
  return z;
}

void expect_quarter_dft(const std::vector<Cplx> &in, double truncation_bound) {
  const int n_points = static_cast<int>(in.size());
  std::vector<double> re(in.size()), im(in.size());
  for (int k = 0; k < n_points; ++k) {
    long double sr = 0, si = 0;
    for (int n = 0; n < n_points; ++n) {
      const double a = -2 * kPi * static_cast<double>((static_cast<long>(n) * k) % n_points) / n_points;
      sr += static_cast<long double>(in[n].re) * std::cos(a) - static_cast<long double>(in[n].im) * std::sin(a);
      si += static_cast<long double>(in[n].re) * std::sin(a) + static_cast<long double>(in[n].im) * std::cos(a);
    }
    re[k] = static_cast<double>(sr / 4);
    im[k] = static_cast<double>(si / 4);
  }
  std::vector<double> magnitude(in.size());
  for (int k = 0; k < n_points; ++k) magnitude[k] = std::hypot(re[k], im[k]);
  const double bound = error_bound(magnitude, truncation_bound);
  const std::vector<Cplx> out = run_fft(in);
  for (int k = 0; k < n_points; ++k) {
    ASSERT_NEAR(out[k].re, re[k], bound) << "bin " << k;
    ASSERT_NEAR(out[k].im, im[k], bound) << "bin " << k;
  }
}

TEST(Fft, BothSizesGiveAQuarterOfTheDft) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<Word32> dist(-(1 << 22), 1 << 22);
  for (int n_points : {120, 480}) {
    std::vector<Cplx> z(n_points);
    for (auto &c : z) c = {dist(rng), dist(rng)};
    expect_quarter_dft(z, n_points == 120 ? 40 : 100);
    // A single complex exponential lands in one bin.
    for (int bin : {0, 1, 7, 61, n_points - 1}) {
      for (int n = 0; n < n_points; ++n) {
        const double a = 2 * kPi * static_cast<double>((static_cast<long>(n) * bin) % n_points) / n_points;
        z[n] = {static_cast<Word32>(std::lround((1 << 21) * std::cos(a))),
                static_cast<Word32>(std::lround((1 << 21) * std::sin(a)))};
      }
      const std::vector<Cplx> out = run_fft(z);
      EXPECT_NEAR(out[bin].re, n_points * (1 << 21) / 4.0, 2e-3 * n_points * (1 << 21) / 4.0) << bin;
      expect_quarter_dft(z, n_points == 120 ? 40 : 100);
    }
  }
}

}  // namespace
