// The one-bit quantizer (portable, and the AVX2 twin of the band coder's
// path) against the reference with the basic operators: the same sorted
// vector and codebook index for random vectors of every scale, for every
// vector over small sets of values (which exercises how the sort resolves
// equal values), and for the limit values. Also the sums leader search
// against the saturating one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <random>

#include "frame/kernel_sets.h"
#include "operator_references.h"
#include "spectral_enc/onebit_quantizer.h"

namespace {

using Vec = std::array<Word16, 8>;

void expect_same_quantization(const Vec &v) {
  Vec want = v;
  Word16 want_out = -1;
  Overflow = 0;
  quantize_onebit_reference(want.data(), &want_out);

  Vec portable = v;
  Word16 portable_out = -2;
  quantize_onebit(portable.data(), &portable_out);
  ASSERT_EQ(portable_out, want_out) << ::testing::PrintToString(v);
  ASSERT_EQ(portable, want) << ::testing::PrintToString(v);

  if (g719_kernel_set_supported(KernelSet::kAvx2)) {
    // The band coder's twins on v as normalised coefficients (equal values
    // stay equal through the scaling).
    Word16 twin_out[8] = {-4}, fast_out[8] = {-5};
    Overflow = 0;
    quantize_onebit_vectors(v.data(), twin_out, 1);
    const Flag twin_overflow = Overflow;
    Overflow = 0;
    quantize_onebit_vectors_avx2(v.data(), fast_out, 1);
    ASSERT_EQ(fast_out[0], twin_out[0]) << ::testing::PrintToString(v);
    ASSERT_EQ(Overflow, twin_overflow) << ::testing::PrintToString(v);
  }
  Overflow = 0;
}

TEST(OnebitQuantizerPaths, RandomVectorsOfEveryScale) {
  std::mt19937 rng(256);
  for (int span : {2, 100, 300, 600, 2000, 15000, 15001, 20000, 32768}) {
    std::uniform_int_distribution<int> d(-span, span - 1);
    for (int trial = 0; trial < 20000; ++trial) {
      Vec v;
      for (Word16 &x : v) x = static_cast<Word16>(d(rng));
      expect_same_quantization(v);
    }
  }
}

TEST(OnebitQuantizerPaths, EveryVectorOverThreeValues) {
  // 3^8 vectors per value set: all tie patterns, with values on and between
  // the leaders' components, near the bound and at the limits.
  const std::array<std::array<Word16, 3>, 7> sets = {{{-256, 0, 256},
                                                      {-512, 0, 512},
                                                      {-300, 0, 300},
                                                      {-5, 128, 384},
                                                      {-15000, 0, 15000},
                                                      {MIN_16, 0, MAX_16},
                                                      {MIN_16, static_cast<Word16>(MIN_16 + 1), 7}}};
  for (const auto &s : sets) {
    for (int code = 0; code < 6561; ++code) {
      Vec v;
      int c = code;
      for (Word16 &x : v) {
        x = s[c % 3];
        c /= 3;
      }
      expect_same_quantization(v);
    }
  }
}

void sort_descending(Word16 *v) { std::sort(v, v + 8, std::greater<Word16>()); }

TEST(OnebitLeaderSums, EqualsTheSaturatingSearchWithinTheBound) {
  std::mt19937 rng(10);
  // Coarse grids put many inputs exactly halfway between two leaders, where
  // the lower leader must win.
  for (int grid : {1, 64, 128, 256}) {
    for (int span : {300, 1024, 15000}) {
      std::uniform_int_distribution<int> d(-span / grid, span / grid);
      for (int trial = 0; trial < 20000; ++trial) {
        Word16 y[8];
        for (Word16 &v : y) v = static_cast<Word16>(d(rng) * grid);
        sort_descending(y);
        const int want = nearest_onebit_leader_saturating(y);
        ASSERT_EQ(nearest_onebit_leader_sums(y), want)
            << ::testing::PrintToString(Vec{y[0], y[1], y[2], y[3], y[4], y[5], y[6], y[7]});
      }
    }
  }
  for (Word16 a : {kOnebitPlainBound, static_cast<Word16>(-kOnebitPlainBound), Word16{0}}) {
    for (Word16 b : {kOnebitPlainBound, static_cast<Word16>(-kOnebitPlainBound), Word16{0}}) {
      Word16 y[8] = {a, a, a, b, b, b, b, b};
      sort_descending(y);
      EXPECT_EQ(nearest_onebit_leader_sums(y), nearest_onebit_leader_saturating(y));
    }
  }
}

}  // namespace

namespace {

// Scaling and quantization from the normalised coefficients in one AVX2
// kernel against the basic-operator scaling and reference quantizer: the
// same index, and the Overflow flag of the operator scaling followed by the
// portable quantizer (whose sort sets no flag), with the scaling's sub and
// add saturating at both ends of the range.
TEST(OnebitQuantizerPaths, ScaledKernelEqualsScalingAndReference) {
  if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  std::mt19937 rng(3277);
  const Word16 limits[] = {MIN_16, static_cast<Word16>(MIN_16 + 1), -32765, -32764, -32763, -29794,
                           -29793, 29793, 29794, 29800, 29801, MAX_16, 4, 3, 5, 0};
  std::uniform_int_distribution<int> pick(0, 15);
  for (int span : {300, 1000, 15000, 32768}) {
    std::uniform_int_distribution<int> d(-span, span - 1);
    for (int trial = 0; trial < 20000; ++trial) {
      Vec v;
      for (Word16 &x : v) x = static_cast<Word16>(d(rng));
      if (trial % 5 == 0) v[trial % 8] = limits[pick(rng)];
      for (const Flag before : {0, 1}) {
        Word16 want = -1, got = -2, portable = -3;
        quantize_scaled_onebit_reference(v.data(), &want);
        Overflow = before;
        Vec y;
        for (int i = 0; i < 8; ++i) {
          const Word16 c = sub(v[i], 4);
          y[i] = add(c, mult(c, 3277));
        }
        quantize_onebit(y.data(), &portable);
        const Flag want_overflow = Overflow;
        ASSERT_EQ(portable, want);
        Overflow = before;
        Word16 slots[8];
        quantize_onebit_vectors_avx2(v.data(), slots, 1);
        got = slots[0];
        ASSERT_EQ(got, want) << ::testing::PrintToString(v);
        ASSERT_EQ(Overflow, want_overflow) << ::testing::PrintToString(v);
      }
    }
  }
  Overflow = 0;
}

// The band form of the scaled kernel: vector n's index in slot 8n, the other
// slots untouched, each index that of the reference for that vector.
TEST(OnebitQuantizerPaths, ScaledBandKernelEqualsThePerVectorReference) {
  if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  std::mt19937 rng(1100);
  std::uniform_int_distribution<int> d(-32768, 32767);
  std::uniform_int_distribution<int> near(-1500, 1500);
  for (int trial = 0; trial < 4000; ++trial) {
    const Word16 count = static_cast<Word16>(trial % 5);
    std::array<Word16, 32> v{}, out;
    for (Word16 &x : v) x = static_cast<Word16>(trial % 3 == 0 ? d(rng) : near(rng));
    out.fill(-7);
    quantize_onebit_vectors_avx2(v.data(), out.data(), count);
    for (int n = 0; n < 4; ++n) {
      Word16 want = -7;
      if (n < count) quantize_scaled_onebit_reference(v.data() + 8 * n, &want);
      ASSERT_EQ(out[8 * n], want) << "vector " << n << " of " << count;
      for (int i = 1; i < 8; ++i) ASSERT_EQ(out[8 * n + i], -7) << "slot " << 8 * n + i << " was written";
    }
  }
  Overflow = 0;
}

}  // namespace
