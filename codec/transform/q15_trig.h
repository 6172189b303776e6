// Compile-time sine and cosine of rational multiples of pi, and the Q15
// rounding used to turn them into the transform's constant tables.
//
// The argument is reduced exactly in integers (to an angle in [0, pi/4])
// before a Taylor series in long double, so every table entry is computed to
// far better than the 1/2-unit margin its rounding needs. Internal to the
// transform tables.
#pragma once

#include <cstdint>

#include "basop/basop.h"

namespace q15_trig {

inline constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Taylor series of sin(t) and cos(t) for |t| <= pi/4; 30 terms are far more
// than long double can hold.
constexpr long double taylor_sin(long double t) {
  long double term = t;
  long double sum = t;
  for (int k = 1; k < 30; ++k) {
    term = -term * t * t / static_cast<long double>((2 * k) * (2 * k + 1));
    sum += term;
  }
  return sum;
}

constexpr long double taylor_cos(long double t) {
  long double term = 1.0L;
  long double sum = 1.0L;
  for (int k = 1; k < 30; ++k) {
    term = -term * t * t / static_cast<long double>((2 * k - 1) * (2 * k));
    sum += term;
  }
  return sum;
}

// sin(pi * p / q), q > 0.
constexpr long double sin_pi(std::int64_t p, std::int64_t q) {
  // Reduce p/q to [0, 2) exactly, then fold into [0, 1/2] using
  // sin(pi + t) = -sin(t) and sin(pi - t) = sin(t).
  std::int64_t r = p % (2 * q);
  if (r < 0) r += 2 * q;
  long double sign = 1.0L;
  if (r >= q) {
    r -= q;
    sign = -1.0L;
  }
  if (2 * r > q) r = q - r;
  // Now the angle is pi * r / q with r / q in [0, 1/2].
  if (4 * r > q) {
    // sin(pi r/q) = cos(pi (q - 2r) / (2q)), whose angle is below pi/4.
    return sign * taylor_cos(kPi * static_cast<long double>(q - 2 * r) / static_cast<long double>(2 * q));
  }
  return sign * taylor_sin(kPi * static_cast<long double>(r) / static_cast<long double>(q));
}

// cos(pi * p / q) = sin(pi * (2p + q) / (2q)).
constexpr long double cos_pi(std::int64_t p, std::int64_t q) { return sin_pi(2 * p + q, 2 * q); }

// Round to nearest, halves away from zero, and limit to the Word16 range.
constexpr Word16 round_to_word16(long double v) {
  const long double a = v < 0 ? -v : v;
  std::int64_t n = static_cast<std::int64_t>(a + 0.5L);
  if (v < 0) n = -n;
  if (n > MAX_16) return MAX_16;
  if (n < MIN_16) return MIN_16;
  return static_cast<Word16>(n);
}

}  // namespace q15_trig
