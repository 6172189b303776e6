// Every kernel of the AVX2 set against its portable twin, and every
// plain-arithmetic fast path against the basic-operator form it stands in
// for, on the same arguments: the results and every array the call writes
// must be equal. Each trial draws its values from one family in turn
// (uniform, random at changing scales, alternating range ends, constant, the
// kernel's bounds and multiples of them, small values with sparse extremes)
// and its lengths from the range ends and the odd values between. The
// Overflow flag is not compared: the codec reads it only right after clearing
// it, around single operators of the transient detector. It does show that a
// fast path's bound is safe: within it, the operator form must not saturate.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "frame/block_scaling.h"
#include "frame/kernel_sets.h"
#include "spectral_enc/bit_allocation.h"
#include "spectral_enc/d8_nearest_paths.h"
#include "transform/transform_tables.h"

namespace {

using i64 = std::int64_t;

class Inputs {
 public:
  enum Family { kUniform, kScaled, kAlternating, kConstant, kEdges, kSparse, kFamilies };

  Inputs(int trial, const std::vector<i64> &edges) : family(static_cast<Family>(trial % kFamilies)), rng_(trial) {
    phase_ = uniform(0, 2);
    scale_seed_ = uniform(0, 1 << 20);
    // The edges family's magnitude for the trial: a bound (more often than
    // not), 1.25 or 1.5 times it, or (-1) the range ends.
    if (!edges.empty() && uniform(0, 2) != 0) {
      edge_ = edges[uniform(0, static_cast<i64>(edges.size()) - 1)] * (4 + std::max<i64>(0, uniform(-2, 2))) / 4;
    }
  }

  i64 uniform(i64 lo, i64 hi) { return std::uniform_int_distribution<i64>(lo, hi)(rng_); }
  // A length in [lo, hi], either end half of the time.
  int length(int lo, int hi) { return int(uniform(0, 3) == 0 ? lo : uniform(0, 2) == 0 ? hi : uniform(lo, hi)); }

  // The value at position i of a block over [lo, hi].
  i64 value(i64 lo, i64 hi, i64 i) {
    switch (family) {
      case kUniform: return uniform(lo, hi);
      case kScaled: {  // the scale changes every 32 positions
        const i64 s = i64{1} << ((i / 32 * 2654435761 + scale_seed_) % 41);
        return std::clamp(uniform(-s, s), lo, hi);
      }
      case kAlternating: return (i + phase_) % 2 != 0 ? lo : hi;
      case kConstant: return phase_ == 0 ? lo : phase_ == 1 ? hi : std::clamp<i64>(0, lo, hi);
      case kEdges: return edge(lo, hi);
      default: return uniform(0, 15) == 0 ? edge(lo, hi) : std::clamp<i64>(uniform(-16, 16), lo, hi);
    }
  }
  template <class T>
  std::vector<T> block(size_t n, i64 lo = std::numeric_limits<T>::min(), i64 hi = std::numeric_limits<T>::max()) {
    std::vector<T> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<T>(value(lo, hi, static_cast<i64>(i)));
    return v;
  }
  template <class T>
  T one(i64 lo = std::numeric_limits<T>::min(), i64 hi = std::numeric_limits<T>::max()) {
    return static_cast<T>(value(lo, hi, uniform(0, 1 << 20)));
  }
  // A shift count: small either way, past the limits of 31 and 32, or any.
  Word16 count() { return uniform(0, 4) == 0 ? one<Word16>() : static_cast<Word16>(uniform(-34, 34)); }

  const Family family;

 private:
  // The edge magnitude give or take 2: all positive, all negative or of
  // either sign, so that sums of them reach their extremes.
  i64 edge(i64 lo, i64 hi) {
    if (edge_ < 0) return uniform(0, 1) != 0 ? lo : hi;
    const i64 e = edge_ + uniform(-2, 2);
    return std::clamp((phase_ == 2 ? uniform(0, 1) != 0 : phase_ == 1) ? -e : e, lo, hi);
  }

  std::mt19937_64 rng_;
  i64 phase_ = 0, scale_seed_ = 0, edge_ = -1;
};

// Working storage that a call leaves in no particular state: not compared.
struct Scratch : std::vector<Word32> {
  using vector::vector;
};

// A tuple element as a call argument: arrays by their data, scalars by value.
template <class T>
auto arg(T &a) {
  if constexpr (requires { a.data(); }) {
    return a.data();
  } else {
    return a;
  }
}

// Empty when equal, else where and how p and a differ.
template <class T>
std::string diff(const T &p, const T &a) {
  std::ostringstream o;
  if constexpr (std::is_same_v<T, Scratch>) {
  } else if constexpr (requires { p.size(); }) {
    const auto at = std::mismatch(p.begin(), p.end(), a.begin()).first - p.begin();
    if (at < static_cast<std::ptrdiff_t>(p.size())) o << "[" << at << "] " << +p[at] << " vs " << +a[at];
  } else if constexpr (requires { p.hi; }) {
    return diff(std::pair{p.hi, p.lo}, std::pair{a.hi, a.lo});
  } else if constexpr (requires { p.positions; }) {
    return diff(std::pair{p.value, p.positions}, std::pair{a.value, a.positions});
  } else if constexpr (requires { p.first; }) {
    if (p != a) o << p.first << "," << p.second << " vs " << a.first << "," << a.second;
  } else if (p != a) {
    o << +p << " vs " << +a;
  }
  return o.str();
}

// Calls first and second with copies of the same arguments; expects equal
// results and equal arguments afterwards (what the calls wrote). With
// `within`, the arguments lie within a fast path's bound, and `first`, its
// operator form, must not saturate.
template <class Args, class F, class G>
void expect_same(const Args &args, F first, G second, bool within = false) {
  Args p = args, a = args;
  Overflow = 0;
  if constexpr (std::is_void_v<decltype(std::apply(first, p))>) {
    std::apply(first, p);
    std::apply(second, a);
  } else {
    EXPECT_EQ(diff(std::apply(first, p), std::apply(second, a)), "") << "result";
  }
  EXPECT_FALSE(within && Overflow != 0) << "the operators saturate within the fast path's bound";
  const auto same = [](const auto &x, const auto &y, size_t i) { EXPECT_EQ(diff(x, y), "") << "argument " << i; };
  [&]<size_t... I>(std::index_sequence<I...>) {
    (same(std::get<I>(p), std::get<I>(a), I), ...);
  }(std::make_index_sequence<std::tuple_size_v<Args>>{});
}

// A kernel of set K, or a free function, called with a tuple's elements.
#define KERNEL(name) [](auto set, auto &...a) { return decltype(set)::name(arg(a)...); }
#define FUNCTION(name) [](auto &...a) { return name(arg(a)...); }

template <class Args, class F>
void expect_twins(const Args &args, F kernel) {
  expect_same(args, [&](auto &...a) { return kernel(PortableKernels{}, a...); },
              [&](auto &...a) { return kernel(Avx2Kernels{}, a...); });
}

bool has_avx2() { return g719_kernel_set_supported(KernelSet::kAvx2); }

// Bit words: mostly the two word values, some one bit away from a 1 bit.
std::vector<Word16> bit_words(Inputs &in, size_t n) {
  std::vector<Word16> w = in.block<Word16>(n);
  for (Word16 &x : w) {
    const i64 pick = in.uniform(0, 5);
    if (pick < 2) x = pick == 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
    if (pick == 2) x = Word16(BIT_WORD_ONE ^ (1 << in.uniform(0, 15)));
  }
  return w;
}

// Folded values, their transform input, and a shift that keeps them
// unsaturated, as the block scaling gives it or less.
std::tuple<std::vector<Word32>, std::vector<Word32>, Word16> folded_and_shift(Inputs &in) {
  std::vector<Word32> folded = in.block<Word32>(kFrameSamples);
  const Word16 top = norm_l(block_peak_magnitude(folded.data(), kFrameSamples));
  return {folded, std::vector<Word32>(kFrameSamples), static_cast<Word16>(std::max<i64>(0, top - in.uniform(0, 2)))};
}

// DCT-IV input at the bounds on which the AVX2 transforms choose their plain
// kernels (documented with them): the sign pattern of the pre-twiddles in
// every block of `points` (so that the values formed before the FFT's
// scaling reach their largest size) at a magnitude around the peak bound or a
// multiple of it, or where 120 magnitudes pass a multiple of 2^32; or four
// values that meet in the first radix-4 butterfly, their magnitudes summing to
// around 2^31 + 2^29 or more. Other families give a block of the family.
Scratch transform_input(Inputs &in, int points, i64 bound) {
  Scratch x(kFrameSamples, 0);
  if (in.family != Inputs::kEdges) {
    const std::vector<Word32> b = in.block<Word32>(kFrameSamples);
    std::copy(b.begin(), b.end(), x.begin());
    return x;
  }
  const Q15Pair *twiddle = points == kFrameSamples ? dct960_pre_twiddle.data() : dct240_pre_twiddle.data();
  const i64 flip = in.uniform(0, 3), pattern = in.uniform(0, 2);
  if (pattern < 2) {
    const i64 m = pattern == 0 ? bound * in.uniform(1, 4) + in.uniform(-2, 2) : ((in.uniform(1, 15) << 32) + 119) / 120;
    for (int b = 0; b < kFrameSamples; b += points) {
      for (int k = 0; k < points / 2; ++k) {
        x[b + 2 * k] = static_cast<Word32>((twiddle[k].c < 0) != ((flip & 1) != 0) ? -m : m);
        x[b + points - 1 - 2 * k] = static_cast<Word32>((twiddle[k].s < 0) != ((flip & 2) != 0) ? m : -m);
      }
    }
  } else {
    const i64 quarter = (((1LL << 31) + (1LL << 29)) * in.uniform(4, 6) / 4 + in.uniform(-8, 8)) / 4;
    for (int at = 0; at < points; at += points / 4) {
      x[at] = static_cast<Word32>((twiddle[at / 2].c < 0) != (flip != 0) ? -quarter : quarter);
    }
  }
  return x;
}

struct Twin {
  const char *name;
  // Bounds the kernel, its callers or its fast path switch on, as documented
  // beside them (written out, so that a changed bound still meets them).
  std::vector<i64> edges;
  void (*check)(Inputs &);
  bool fast_path = false;  // a fast path of the portable set, run without AVX2 too
};

const Twin kTwins[] = {
    {"pack_bit_words", {}, [](Inputs &in) {
       const int bytes = in.length(0, 41);
       expect_twins(std::tuple{bit_words(in, 8 * bytes), bytes, std::vector<uint8_t>(bytes)}, KERNEL(pack_bit_words));
     }},
    {"gather_16_bits", {}, [](Inputs &in) { expect_twins(std::tuple{bit_words(in, 16)}, KERNEL(gather_16_bits)); }},
    {"block_shl", {0x3FFFFFFF, 0x40000000}, [](Inputs &in) {
       const int n = in.length(0, 41);
       expect_twins(std::tuple{in.block<Word32>(n), n, in.count()}, KERNEL(block_shl));
     }},
    {"block_shl_copy", {0x3FFFFFFF, 0x40000000}, [](Inputs &in) {
       const int n = in.length(0, 41);
       expect_twins(std::tuple{in.block<Word32>(n), n, in.count(), std::vector<Word32>(n)}, KERNEL(block_shl_copy));
     }},
    {"block_shr", {0x3FFFFFFF, 0x40000000}, [](Inputs &in) {
       const int n = in.length(0, 41);
       expect_twins(std::tuple{in.block<Word32>(n), n, in.count()}, KERNEL(block_shr));
     }},
    {"subblock_energy", {32768, 32767}, [](Inputs &in) {
       const int n = in.uniform(0, 1) != 0 ? 240 : in.length(0, 300);
       expect_twins(std::tuple{in.block<Word16>(n), n}, KERNEL(subblock_energy));
     }},
    {"highpass_input_terms", {22246, 22247, 32768}, [](Inputs &in) {
       expect_twins(std::tuple{in.block<Word16>(kFrameSamples), in.one<Word16>(), std::vector<Word32>(kFrameSamples)},
                    KERNEL(highpass_input_terms));
     }},
    {"highpass_narrow", {}, [](Inputs &in) {
       expect_twins(std::tuple{in.block<Word32>(kFrameSamples, MIN_16, MAX_16), std::vector<Word16>(kFrameSamples)},
                    KERNEL(highpass_narrow));
     }},
    {"window_fold", {}, [](Inputs &in) {
       expect_twins(std::tuple{in.block<Word16>(kFrameSamples), std::vector<Word32>(kFrameSamples),
                               in.block<Word32>(kHalfFrame)},
                    KERNEL(window_fold));
     }},
    {"long_transform_input", {}, [](Inputs &in) { expect_twins(folded_and_shift(in), KERNEL(long_transform_input)); }},
    {"short_window_blocks", {0x7FFF7FFF, 0x7FFF8000}, [](Inputs &in) {
       expect_twins(folded_and_shift(in), KERNEL(short_window_blocks));
     }},
    {"dct4_960", {}, [](Inputs &in) {
       expect_twins(std::tuple{transform_input(in, kFrameSamples, 1 << 23), std::vector<Word32>(kFrameSamples)},
                    KERNEL(dct4_960));
     }},
    {"dct4_960_small_input", {}, [](Inputs &in) {
       const std::vector<Word32> x = in.block<Word32>(kFrameSamples, -(1 << 22), 1 << 22);
       expect_twins(std::tuple{Scratch(x.begin(), x.end()), std::vector<Word32>(kFrameSamples)},
                    KERNEL(dct4_960_small_input));
     }},
    {"dct4_240_x4", {}, [](Inputs &in) {
       expect_twins(std::tuple{transform_input(in, kShortBlockLength, 1 << 25), std::vector<Word32>(kFrameSamples)},
                    KERNEL(dct4_240_x4));
     }},
    {"unfold_aliased", {}, [](Inputs &in) {
       expect_twins(std::tuple{in.block<Word32>(kFrameSamples), std::vector<Word32>(kAliasedLength)},
                    KERNEL(unfold_aliased));
     }},
    {"unfold_halved_aliased", {}, [](Inputs &in) {
       expect_twins(std::tuple{in.block<Word32>(kFrameSamples), std::vector<Word32>(kAliasedLength)},
                    KERNEL(unfold_halved_aliased));
     }},
    // Samples saturate outside [-2^24, 2^24 - 257] of the windowed sum; a sum
    // that wraps in 32 bits sends the AVX2 twin back to saturating sums, and
    // the sparse family places one at a random sample.
    {"scaled_overlap_add", {1 << 24, (1 << 24) - 257, 1 << 25}, [](Inputs &in) {
       std::vector<Word32> aliased = in.block<Word32>(kAliasedLength), history = in.block<Word32>(kFrameSamples);
       Word16 shift = in.count();
       if (in.family == Inputs::kSparse) {
         const i64 at = in.uniform(1, kFrameSamples - 1);
         aliased[at] = history[at] = MAX_32;
         shift = 0;
       }
       expect_twins(std::tuple{aliased, shift, std::vector<Word16>(kFrameSamples), history},
                    KERNEL(scaled_overlap_add));
     }},
    // A band of values just above a negative power of two saturates its energy.
    {"compute_norm_indices", {(1 << 30) - 3, (1 << 20) - 3}, [](Inputs &in) {
       expect_twins(std::tuple{in.block<Word32>(kCodedCoefficients), std::vector<Word16>(kNumBands)},
                    KERNEL(compute_norm_indices));
     }},
    {"normalize_band_coefficients", {}, [](Inputs &in) {
       const Word16 bands = Word16(in.uniform(1, 4));
       const Word16 width = Word16(in.uniform(0, 1) ? 8 * in.uniform(1, 4) : in.length(0, 33));
       expect_twins(std::tuple{in.block<Word32>(bands * width), in.block<Word16>(bands, -2, 41), Word16{0}, bands,
                               width, std::vector<Word16>(bands * width)},
                    KERNEL(normalize_band_coefficients));
     }},
    {"window_max", {}, [](Inputs &in) {
       const int first = int(in.uniform(0, kPriorityWorkSize - 1));
       const int last = int(in.uniform(first, kPriorityWorkSize - 1));
       expect_twins(std::tuple{in.block<Word16>(kPriorityWorkSize), first, last}, KERNEL(window_max));
     }},
    // The scaled components reach the plain bound 30000 at 5629 and -5621;
    // below -32764 the scaling saturates.
    {"lattice_quantize_vectors", {5629, 5621, 32764}, [](Inputs &in) {
       const Word16 count = Word16(in.length(0, 5));
       expect_twins(std::tuple{in.block<Word16>(8 * count), std::vector<Word16>(8 * count, -7), count,
                               Word16(in.uniform(0, 10))},
                    KERNEL(lattice_quantize_vectors));
     }},
    // The scaled components reach the plain bound 15000 at 13640 and -13632.
    {"quantize_onebit_vectors", {13640, 13632, 32764}, [](Inputs &in) {
       const Word16 count = Word16(in.length(0, 5));
       expect_twins(std::tuple{in.block<Word16>(8 * count), std::vector<Word16>(8 * count, -7), count},
                    KERNEL(quantize_onebit_vectors));
     }},
    {"add_huffman_lengths", {32767 - 7 * 32, 32767 - 2 * 32}, [](Inputs &in) {
       const Word16 width = Word16(in.uniform(0, 1) ? 8 * in.uniform(0, 4) : in.length(0, 41));
       expect_twins(std::tuple{in.one<Word16>(), in.block<Word16>(width), width, Word16(in.uniform(2, 5))},
                    KERNEL(add_huffman_lengths));
     }},
    {"noise_level_index", {}, [](Inputs &in) {
       expect_twins(std::tuple{in.block<Word16>(kCodedCoefficients), in.block<Word16>(kNumBands, -1, 2)},
                    KERNEL(noise_level_index));
     }},
    // One-bit vectors with an index below 16 after one below 128 are zeroed.
    {"dequantize_band_group", {16, 128}, [](Inputs &in) {
       const Word16 bands = Word16(in.uniform(1, 4)), width = Word16(8 * in.uniform(1, 5));
       std::vector<Word16> allocation(bands), index(bands * width);
       for (int b = 0; b < bands; ++b) {  // components of 0..2^R-1, or one past either end
         allocation[b] = Word16(in.uniform(0, 2) == 0 ? 1 : in.uniform(-1, 10));
         const i64 top = allocation[b] == 1 ? 255 : (1 << std::clamp<int>(allocation[b], 0, 10)) - 1;
         const std::vector<Word16> band = in.block<Word16>(width, -1, top + 1);
         std::copy(band.begin(), band.end(), index.begin() + b * width);
       }
       expect_twins(std::tuple{index, allocation, Word16{0}, bands, width, std::vector<Word16>(bands * width, -7)},
                    KERNEL(dequantize_band_group));
     }},
    {"scale_by_norms", {}, [](Inputs &in) {
       expect_twins(std::tuple{in.block<Word16>(kCodedCoefficients), std::vector<Word32>(kCodedCoefficients),
                               in.block<Word16>(kNumBands, 0, 39)},
                    KERNEL(scale_by_norms));
     }},
    {"copy_descending", {}, [](Inputs &in) {  // sources v[from - count + 1 .. from] below the target
       const int count = in.length(0, 40), from = int(in.uniform(std::max(count - 1, 0), 39));
       expect_twins(std::tuple{in.block<Word16>(80), from, int(in.uniform(from + 1, 80 - count)), count},
                    KERNEL(copy_descending));
     }},
    // The high-pass filter's bound: one step past 44495 from an output of
    // -32768, in a frame of no other steps, wraps the plain sum.
    {"transient_highpass", {}, [](Inputs &in) {
       std::vector<Word16> x = in.block<Word16>(kFrameSamples), prev_in{in.one<Word16>()}, prev_out{in.one<Word16>()};
       if (in.family == Inputs::kEdges) {
         const bool up = in.uniform(0, 1) != 0;
         x.assign(kFrameSamples, up ? MAX_16 : MIN_16);
         prev_in[0] = Word16(x[0] - (up ? 1 : -1) * (44492 + in.uniform(-3, 12)));
         prev_out[0] = x[0];
       }
       i64 step = std::abs(x[0] - prev_in[0]);
       for (int n = 1; n < kFrameSamples; ++n) step = std::max<i64>(step, std::abs(x[n] - x[n - 1]));
       const auto args = std::tuple{x, std::vector<Word16>(kFrameSamples), prev_in, prev_out};
       const bool within = step <= kHighpassPlainStep;
       const auto operators = FUNCTION(transient_highpass_saturating);
       expect_same(args, operators, FUNCTION(transient_highpass<PortableKernels>), within);
       if (has_avx2()) expect_same(args, operators, FUNCTION(transient_highpass<Avx2Kernels>), within);
     }, true},
    // Components near lattice points and half-way between them, where the
    // rounding and the odd-sum correction decide.
    {"d8_nearest_point", {30000, 32768}, [](Inputs &in) {
       const Word16 bits = Word16(in.uniform(2, 9)), s = Word16(13 - bits);
       std::vector<Word16> y = in.block<Word16>(8);
       for (Word16 &v : y) {
         const i64 near = ((v >> s) << s) + in.uniform(0, 1) * (1 << (s - 1)) + in.uniform(-2, 2);
         v = Word16(std::clamp<i64>(near, MIN_16, MAX_16));
       }
       const bool within = std::all_of(y.begin(), y.end(), [](Word16 v) { return std::abs(v) <= kD8PlainBound; });
       expect_same(std::tuple{y, std::vector<Word16>(8), bits}, FUNCTION(d8_nearest_point_saturating),
                   FUNCTION(d8_nearest_point), within);
     }, true},
    {"nearest_onebit_leader", {15000}, [](Inputs &in) {
       std::vector<Word16> y = in.block<Word16>(8);
       std::sort(y.rbegin(), y.rend());
       expect_same(std::tuple{y}, FUNCTION(nearest_onebit_leader_saturating), FUNCTION(nearest_onebit_leader),
                   y[0] <= kOnebitPlainBound && y[7] >= -kOnebitPlainBound);
     }, true},
    {"compute_allocation_priorities", {3000}, [](Inputs &in) {
       const std::vector<Word16> levels = in.block<Word16>(kNumBands);
       const auto small = [](Word16 v) { return std::abs(v) <= kAllocationPlainBound; };
       expect_same(std::tuple{levels, std::vector<Word16>(kNumBands), Word16(in.uniform(0, 1))},
                   FUNCTION(compute_allocation_priorities_saturating), FUNCTION(compute_allocation_priorities),
                   std::all_of(levels.begin(), levels.end(), small));
     }, true},
};

void PrintTo(const Twin &twin, std::ostream *os) { *os << twin.name; }

class Kernels : public ::testing::TestWithParam<Twin> {};

TEST_P(Kernels, FastFormEqualsItsReference) {
  const Twin &twin = GetParam();
  if (!twin.fast_path && !has_avx2()) GTEST_SKIP() << "processor without AVX2";
  for (int trial = 0; trial < 240 && !HasFailure(); ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    Inputs in(trial, twin.edges);
    twin.check(in);
  }
}

INSTANTIATE_TEST_SUITE_P(Twins, Kernels, ::testing::ValuesIn(kTwins), [](const auto &info) {
  return std::string(info.param.name) + (info.param.fast_path ? "_path" : "");
});

}  // namespace
