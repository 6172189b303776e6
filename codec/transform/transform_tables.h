// Constant tables of the DCT-IV and FFT engines, Q15 unless stated.
//
// Complex factors are stored as (c, s) pairs, c the cosine-like and s the
// sine-like part; all values are rounded to nearest (halves away from zero)
// and limited to [-32768, 32767].
#pragma once

#include <array>

#include "basop/basop.h"

struct Q15Pair {
  Word16 c;
  Word16 s;
};

// Pre-twiddles of the DCT-IV of size N (M = N/2 pairs):
//   [n] = (round(23930 cos(phi)), -round(23930 sin(phi))), phi = pi (n + 1/4) / N.
// 23930 = round(32768 sqrt(8/15)) folds the transform's gain into the factor.
extern const std::array<Q15Pair, 480> dct960_pre_twiddle;
extern const std::array<Q15Pair, 120> dct240_pre_twiddle;

// Post-twiddles: [n] = (round(32768 cos(pi n / N)), -round(32768 sin(pi n / N))).
extern const std::array<Q15Pair, 480> dct960_post_twiddle;
extern const std::array<Q15Pair, 120> dct240_post_twiddle;

// Radix-4 stage of the 480-point FFT: group n holds w^0, w^n, w^2n, w^3n with
// w^m = (round(32768 cos(2 pi m / 480)), -round(32768 sin(2 pi m / 480))).
extern const std::array<std::array<Q15Pair, 4>, 120> fft480_twiddle;

// Prime-factor index maps of the 120-point transform (120 = 5 x 3 x 8):
// position 24a + 8b + r (a < 5, b < 3, r < 8) of the nested work array
// gathers input (24a + 40b + 15r) mod 120 and scatters to output
// (96a + 40b + 105r) mod 120.
extern const std::array<Word16, 120> wfta120_input_map;
extern const std::array<Word16, 120> wfta120_output_map;

// The 144 real multipliers of the nested 120-point transform, M0..M5 (one per
// 5-point multiplier), each indexed 8q + e by the 3-point multiplier q and the
// 8-point multiplier e. Every value carries a factor 1/4.
extern const std::array<std::array<Word16, 24>, 6> wfta120_multipliers;
