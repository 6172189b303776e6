// The transform's constant tables against their defining formulas, the
// sample rows and the entries that take the other rounding neighbour.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "transform/transform_tables.h"
#include "transform/window_tables.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Round half away from zero and limit to the Word16 range, computed with the
// C library's long double sine/cosine (an independent path from the tables'
// compile-time series).
int rounded(long double v) {
  long double r = std::floor(std::fabs(v) + 0.5L);
  if (v < 0) r = -r;
  if (r > 32767) r = 32767;
  if (r < -32768) r = -32768;
  return static_cast<int>(r);
}

// -round(v), then limited to the Word16 range (+1.0 negated is -32768, -1.0
// negated is limited to 32767).
int negated_rounded(long double v) {
  long double r = std::floor(std::fabs(v) + 0.5L);
  if (v < 0) r = -r;
  return rounded(-r);
}

template <std::size_t N, typename F>
void expect_table(const std::array<Word16, N> &t, F formula, const std::map<int, int> &exceptions,
                  const char *name) {
  for (std::size_t i = 0; i < N; ++i) {
    const auto it = exceptions.find(static_cast<int>(i));
    const int want = it != exceptions.end() ? it->second : rounded(formula(static_cast<long double>(i)));
    EXPECT_EQ(t[i], want) << name << "[" << i << "]";
  }
}

TEST(WindowTables, LongAnalysisWindowsFollowTheSineRuleWithTheTenListedEntries) {
  expect_table(
      long_window_center, [](long double i) { return -32768.0L * std::sin(kPi * (480 + i + 0.5L) / 1920); },
      {{12, -23639}, {317, -31616}, {325, -31727}, {352, -32057}}, "long_window_center");
  expect_table(
      long_window_edge, [](long double i) { return 32768.0L * std::sin(kPi * (479 - i + 0.5L) / 1920); },
      {{59, 20808}, {186, 15138}, {237, 12663}, {350, 6892}, {419, 3238}, {473, 348}}, "long_window_edge");

  const int center_rows[][2] = {{0, -23189}, {1, -23227}, {100, -26651}, {240, -30284},
                                {477, -32768}, {478, -32768}, {479, -32768}};
  for (const auto &r : center_rows) EXPECT_EQ(long_window_center[r[0]], r[1]) << r[0];
  const int edge_rows[][2] = {{0, 23152}, {1, 23114}, {100, 19065}, {240, 12515}, {479, 27}};
  for (const auto &r : edge_rows) EXPECT_EQ(long_window_edge[r[0]], r[1]) << r[0];
}

TEST(WindowTables, ShortAnalysisWindowsFollowTheSineRule) {
  expect_table(
      short_window_center, [](long double i) { return -32768.0L * std::sin(kPi * (239.5L - i) / 480); }, {},
      "short_window_center");
  expect_table(
      short_window_edge, [](long double i) { return 32768.0L * std::sin(kPi * (119.5L - i) / 480); }, {},
      "short_window_edge");
  const int center_rows[][2] = {{0, -32768}, {1, -32766}, {60, -30232}, {119, -23246}};
  for (const auto &r : center_rows) EXPECT_EQ(short_window_center[r[0]], r[1]) << r[0];
  const int edge_rows[][2] = {{0, 23095}, {1, 22942}, {60, 12441}, {119, 107}};
  for (const auto &r : edge_rows) EXPECT_EQ(short_window_edge[r[0]], r[1]) << r[0];
}

TEST(WindowTables, SynthesisWindowsAreSymmetricSinesLimitedTo32767) {
  expect_table(
      long_synthesis_window, [](long double i) { return 32768.0L * std::sin(kPi * (i + 0.5L) / 1920); }, {},
      "long_synthesis_window");
  expect_table(
      short_synthesis_window, [](long double i) { return 32768.0L * std::sin(kPi * (i + 0.5L) / 480); }, {},
      "short_synthesis_window");
  const int long_rows[][2] = {{0, 27}, {1, 80}, {2, 134}, {3, 188}, {480, 23189}, {959, 32767}, {1919, 27}};
  for (const auto &r : long_rows) EXPECT_EQ(long_synthesis_window[r[0]], r[1]) << r[0];
  const int short_rows[][2] = {{0, 107}, {1, 322}, {2, 536}, {3, 751}, {120, 23246}, {239, 32767}, {479, 107}};
  for (const auto &r : short_rows) EXPECT_EQ(short_synthesis_window[r[0]], r[1]) << r[0];
  for (int i = 0; i < 960; ++i) EXPECT_EQ(long_synthesis_window[i], long_synthesis_window[1919 - i]) << i;
  for (int i = 0; i < 240; ++i) EXPECT_EQ(short_synthesis_window[i], short_synthesis_window[479 - i]) << i;
}

template <std::size_t M>
void expect_pairs(const std::array<Q15Pair, M> &t, long double scale, long double step, long double offset,
                  const char *name, int exception_index = -1, int exception_s = 0) {
  for (std::size_t n = 0; n < M; ++n) {
    const long double phi = kPi * (static_cast<long double>(n) + offset) / step;
    int want_s = negated_rounded(scale * std::sin(phi));
    if (static_cast<int>(n) == exception_index) want_s = exception_s;
    EXPECT_EQ(t[n].c, rounded(scale * std::cos(phi))) << name << "[" << n << "].c";
    EXPECT_EQ(t[n].s, want_s) << name << "[" << n << "].s";
  }
}

TEST(TransformTables, DctTwiddlesFollowTheirRulesWithTheListedException) {
  expect_pairs(dct960_pre_twiddle, 23930, 960, 0.25L, "dct960_pre_twiddle", 365, -22263);
  expect_pairs(dct240_pre_twiddle, 23930, 240, 0.25L, "dct240_pre_twiddle");
  expect_pairs(dct960_post_twiddle, 32768, 960, 0, "dct960_post_twiddle");
  expect_pairs(dct240_post_twiddle, 32768, 240, 0, "dct240_post_twiddle");

  EXPECT_EQ(std::lround(32768 * std::sqrt(8.0 / 15.0)), 23930);
  EXPECT_EQ(dct960_pre_twiddle[0].c, 23930);
  EXPECT_EQ(dct960_pre_twiddle[0].s, -20);
  EXPECT_EQ(dct960_pre_twiddle[1].c, 23930);
  EXPECT_EQ(dct960_pre_twiddle[1].s, -98);
  EXPECT_EQ(dct960_pre_twiddle[365].s, -22263);
  EXPECT_EQ(dct240_pre_twiddle[0].c, 23930);
  EXPECT_EQ(dct240_pre_twiddle[0].s, -78);
  EXPECT_EQ(dct240_pre_twiddle[1].c, 23927);
  EXPECT_EQ(dct240_pre_twiddle[1].s, -392);
  EXPECT_EQ(dct960_post_twiddle[0].c, 32767);
  EXPECT_EQ(dct960_post_twiddle[0].s, 0);
  EXPECT_EQ(dct960_post_twiddle[1].c, 32767);
  EXPECT_EQ(dct960_post_twiddle[1].s, -107);
  EXPECT_EQ(dct240_post_twiddle[0].c, 32767);
  EXPECT_EQ(dct240_post_twiddle[1].c, 32765);
  EXPECT_EQ(dct240_post_twiddle[1].s, -429);
}

TEST(TransformTables, Fft480TwiddlesArePowersOfTheRootOfUnity) {
  for (int n = 0; n < 120; ++n) {
    for (int k = 0; k < 4; ++k) {
      const long double a = 2 * kPi * (k * n) / 480;
      EXPECT_EQ(fft480_twiddle[n][k].c, rounded(32768 * std::cos(a))) << n << "," << k;
      EXPECT_EQ(fft480_twiddle[n][k].s, negated_rounded(32768 * std::sin(a))) << n << "," << k;
    }
  }
  // 1.0 is held as 32767; -1.0 fits. w^120 = -j, w^240 = -1.
  EXPECT_EQ(fft480_twiddle[0][1].c, 32767);
  EXPECT_EQ(fft480_twiddle[0][1].s, 0);
  EXPECT_EQ(fft480_twiddle[60][2].c, 0);
  EXPECT_EQ(fft480_twiddle[60][2].s, -32768);
  EXPECT_EQ(fft480_twiddle[80][3].c, -32768);
  EXPECT_EQ(fft480_twiddle[80][3].s, 0);
}

TEST(TransformTables, PrimeFactorMapsArePermutationsThatSplitTheIndexByItsResidues) {
  std::set<int> in(wfta120_input_map.begin(), wfta120_input_map.end());
  std::set<int> out(wfta120_output_map.begin(), wfta120_output_map.end());
  EXPECT_EQ(in.size(), 120u);
  EXPECT_EQ(out.size(), 120u);
  EXPECT_EQ(*in.begin(), 0);
  EXPECT_EQ(*in.rbegin(), 119);
  EXPECT_EQ(*out.rbegin(), 119);
  // Position 24a + 8b + r: the gathered index is fixed modulo 5 by a, modulo
  // 3 by b and modulo 8 by r alone (no twiddles between the factors).
  for (int a = 0; a < 5; ++a) {
    for (int b = 0; b < 3; ++b) {
      for (int r = 0; r < 8; ++r) {
        const int pos = 24 * a + 8 * b + r;
        EXPECT_EQ(wfta120_input_map[pos], (24 * a + 40 * b + 15 * r) % 120) << pos;
        EXPECT_EQ(wfta120_output_map[pos], (96 * a + 40 * b + 105 * r) % 120) << pos;
        EXPECT_EQ(wfta120_input_map[pos] % 5, (4 * a) % 5);
        EXPECT_EQ(wfta120_input_map[pos] % 3, b);
        EXPECT_EQ(wfta120_input_map[pos] % 8, (7 * r) % 8);
      }
    }
  }
}

TEST(TransformTables, NestedMultipliersAreQuarterScaledProductsOfTheModuleMultipliers) {
  const long double u = 2 * kPi / 5;
  const long double five[6] = {1,
                               (std::cos(u) + std::cos(2 * u)) / 2 - 1,
                               -(std::sin(u) + std::sin(2 * u)),
                               (std::cos(u) - std::cos(2 * u)) / 2,
                               std::sin(u) - std::sin(2 * u),
                               std::sin(2 * u)};
  const long double three[3] = {1, -1.5L, -std::sqrt(3.0L) / 2};
  const long double h = std::sqrt(0.5L);
  const long double eight[8] = {1, 1, 1, -1, 1, -h, -1, h};
  for (int k = 0; k < 6; ++k) {
    for (int q = 0; q < 3; ++q) {
      for (int e = 0; e < 8; ++e) {
        const long double ideal = 8192 * five[k] * three[q] * eight[e];
        EXPECT_LE(std::fabs(wfta120_multipliers[k][8 * q + e] - ideal), 1.0L) << k << "," << q << "," << e;
      }
    }
  }
  // The values as listed, one per table and 3-point multiplier (A at e = 0,
  // B at e = 7).
  const int listed[6][3][2] = {
      {{8192, 5792}, {-12288, -8689}, {-7094, -5016}},  {{-10240, -7241}, {15360, 10861}, {8868, 6271}},
      {{-12606, -8914}, {18909, 13370}, {10917, 7719}}, {{4579, 3238}, {-6869, -4857}, {-3966, -2804}},
      {{2976, 2104}, {-4464, -3156}, {-2577, -1822}},   {{4815, 3405}, {-7222, -5107}, {-4170, -2949}}};
  for (int k = 0; k < 6; ++k) {
    for (int q = 0; q < 3; ++q) {
      const int A = listed[k][q][0];
      const int B = listed[k][q][1];
      const int pattern[8] = {A, A, A, -A, A, -B, -A, B};
      for (int e = 0; e < 8; ++e) EXPECT_EQ(wfta120_multipliers[k][8 * q + e], pattern[e]) << k << q << e;
    }
  }
}

}  // namespace
