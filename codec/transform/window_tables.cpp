#include "transform/window_tables.h"

#include "transform/q15_trig.h"

namespace {

using q15_trig::round_to_word16;
using q15_trig::sin_pi;

// round(scale * sin(pi * (2m + 1) / (2 * period))) for m = first + step * i,
// negated when `negate`; the argument is kept as an exact fraction.
template <std::size_t N>
constexpr std::array<Word16, N> sine_table(std::int64_t first, std::int64_t step, std::int64_t period,
                                           bool negate) {
  std::array<Word16, N> t{};
  for (std::size_t i = 0; i < N; ++i) {
    const std::int64_t m = first + step * static_cast<std::int64_t>(i);
    const long double v = 32768.0L * sin_pi(2 * m + 1, 2 * period);
    t[i] = round_to_word16(negate ? -v : v);
  }
  return t;
}

constexpr std::array<Word16, kHalfFrame> make_long_window_center() {
  auto t = sine_table<kHalfFrame>(480, 1, 1920, true);
  // Entries that hold the other neighbour of the rounding.
  t[12] = -23639;
  t[317] = -31616;
  t[325] = -31727;
  t[352] = -32057;
  return t;
}

constexpr std::array<Word16, kHalfFrame> make_long_window_edge() {
  auto t = sine_table<kHalfFrame>(479, -1, 1920, false);
  t[59] = 20808;
  t[186] = 15138;
  t[237] = 12663;
  t[350] = 6892;
  t[419] = 3238;
  t[473] = 348;
  return t;
}

}  // namespace

constexpr std::array<Word16, kHalfFrame> long_window_center = make_long_window_center();
constexpr std::array<Word16, kHalfFrame> long_window_edge = make_long_window_edge();
// sin(pi (239.5 - i) / 480) is sin(pi (2 (239 - i) + 1) / 960).
constexpr std::array<Word16, 120> short_window_center = sine_table<120>(239, -1, 480, true);
constexpr std::array<Word16, 120> short_window_edge = sine_table<120>(119, -1, 480, false);
constexpr std::array<Word16, kAliasedLength> long_synthesis_window = sine_table<kAliasedLength>(0, 1, 1920, false);
constexpr std::array<Word16, 2 * kShortBlockLength> short_synthesis_window =
    sine_table<2 * kShortBlockLength>(0, 1, 480, false);
