#include "transform/transform_tables.h"

#include "transform/q15_trig.h"

namespace {

using q15_trig::cos_pi;
using q15_trig::round_to_word16;
using q15_trig::sin_pi;

// Pre-twiddle pairs for a DCT-IV of n_points: phi = pi (4n + 1) / (4 N).
template <std::size_t M>
constexpr std::array<Q15Pair, M> make_pre_twiddle(std::int64_t n_points) {
  std::array<Q15Pair, M> t{};
  for (std::size_t n = 0; n < M; ++n) {
    const std::int64_t p = 4 * static_cast<std::int64_t>(n) + 1;
    t[n].c = round_to_word16(23930.0L * cos_pi(p, 4 * n_points));
    t[n].s = round_to_word16(-(23930.0L * sin_pi(p, 4 * n_points)));
  }
  return t;
}

// Post-twiddle pairs: angle pi n / N; 1.0 is limited to 32767.
template <std::size_t M>
constexpr std::array<Q15Pair, M> make_post_twiddle(std::int64_t n_points) {
  std::array<Q15Pair, M> t{};
  for (std::size_t n = 0; n < M; ++n) {
    const auto k = static_cast<std::int64_t>(n);
    t[n].c = round_to_word16(32768.0L * cos_pi(k, n_points));
    t[n].s = round_to_word16(-(32768.0L * sin_pi(k, n_points)));
  }
  return t;
}

constexpr std::array<Q15Pair, 480> make_dct960_pre_twiddle() {
  auto t = make_pre_twiddle<480>(960);
  t[365].s = -22263;  // holds the other neighbour of the rounding
  return t;
}

// w^m = exp(-2 pi j m / 480) = (cos(pi m / 240), -sin(pi m / 240)).
constexpr std::array<std::array<Q15Pair, 4>, 120> make_fft480_twiddle() {
  std::array<std::array<Q15Pair, 4>, 120> t{};
  for (std::int64_t n = 0; n < 120; ++n) {
    for (std::int64_t k = 0; k < 4; ++k) {
      const std::int64_t m = k * n;
      t[n][k].c = round_to_word16(32768.0L * cos_pi(m, 240));
      t[n][k].s = round_to_word16(-(32768.0L * sin_pi(m, 240)));
    }
  }
  return t;
}

constexpr std::array<Word16, 120> make_wfta120_map(int ka, int kb, int kr) {
  std::array<Word16, 120> t{};
  for (int a = 0; a < 5; ++a) {
    for (int b = 0; b < 3; ++b) {
      for (int r = 0; r < 8; ++r) {
        t[24 * a + 8 * b + r] = static_cast<Word16>((ka * a + kb * b + kr * r) % 120);
      }
    }
  }
  return t;
}

// (A, B) per 5-point multiplier and 3-point multiplier q; entry 8q + e follows
// the sign pattern (A, A, A, -A, A, -B, -A, B) over the 8-point multiplier e,
// B being A times sqrt(1/2).
struct MultiplierPair {
  Word16 a;
  Word16 b;
};

inline constexpr MultiplierPair kNestedMultipliers[6][3] = {
    {{8192, 5792}, {-12288, -8689}, {-7094, -5016}},     // 1
    {{-10240, -7241}, {15360, 10861}, {8868, 6271}},     // (cos u + cos 2u)/2 - 1
    {{-12606, -8914}, {18909, 13370}, {10917, 7719}},    // -(sin u + sin 2u), times j
    {{4579, 3238}, {-6869, -4857}, {-3966, -2804}},      // (cos u - cos 2u)/2
    {{2976, 2104}, {-4464, -3156}, {-2577, -1822}},      // sin u - sin 2u, times j
    {{4815, 3405}, {-7222, -5107}, {-4170, -2949}},      // sin 2u, times j
};

constexpr std::array<std::array<Word16, 24>, 6> make_wfta120_multipliers() {
  std::array<std::array<Word16, 24>, 6> t{};
  for (int k = 0; k < 6; ++k) {
    for (int q = 0; q < 3; ++q) {
      const Word16 a = kNestedMultipliers[k][q].a;
      const Word16 b = kNestedMultipliers[k][q].b;
      const Word16 pattern[8] = {a,
                                 a,
                                 a,
                                 static_cast<Word16>(-a),
                                 a,
                                 static_cast<Word16>(-b),
                                 static_cast<Word16>(-a),
                                 b};
      for (int e = 0; e < 8; ++e) t[k][8 * q + e] = pattern[e];
    }
  }
  return t;
}

}  // namespace

constexpr std::array<Q15Pair, 480> dct960_pre_twiddle = make_dct960_pre_twiddle();
constexpr std::array<Q15Pair, 120> dct240_pre_twiddle = make_pre_twiddle<120>(240);
constexpr std::array<Q15Pair, 480> dct960_post_twiddle = make_post_twiddle<480>(960);
constexpr std::array<Q15Pair, 120> dct240_post_twiddle = make_post_twiddle<120>(240);
constexpr std::array<std::array<Q15Pair, 4>, 120> fft480_twiddle = make_fft480_twiddle();
constexpr std::array<Word16, 120> wfta120_input_map = make_wfta120_map(24, 40, 15);
constexpr std::array<Word16, 120> wfta120_output_map = make_wfta120_map(96, 40, 105);
constexpr std::array<std::array<Word16, 24>, 6> wfta120_multipliers = make_wfta120_multipliers();
