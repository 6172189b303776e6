// The lattice quantizer's register kernel against the portable search: the
// same index for inputs that fit at once, that need halving and that grow
// back, at every resolution, and for normalised coefficients of every size
// (beyond the kernel's range it hands the vector to the portable path).
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "frame/kernel_sets.h"
#include "spectral_enc/d8_nearest_paths.h"
#include "spectral_enc/lattice.h"
#include "spectral_enc/lattice_tables.h"

namespace {

using Vec = std::array<Word16, 8>;

// Quantizes the normalised coefficients whose lattice scaling, (v - 4) *
// 16/3, comes within a step of the scaled vector y, on both twins.
void expect_same_quantization(const Vec &y, Word16 R) {
  Vec v, k_want{}, k_got{};
  for (int i = 0; i < 8; ++i) v[i] = static_cast<Word16>(y[i] * 3 / 16 + 4);
  Overflow = 0;
  lattice_quantize_vectors(v.data(), k_want.data(), 1, R);
  ASSERT_EQ(Overflow, 0) << "the portable search saturated inside the kernel's range, R = " << R;
  lattice_quantize_vectors_avx2(v.data(), k_got.data(), 1, R);
  ASSERT_EQ(Overflow, 0);
  for (int i = 0; i < 8; ++i) {
    ASSERT_EQ(k_got[i], k_want[i]) << "index component " << i << ", R = " << R << ", input[0] = " << v[0];
  }
}

class LatticeKernel : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "no AVX2 on this processor";
  }
};

TEST_F(LatticeKernel, QuantizationEqualsThePortableSearch) {
  std::mt19937 rng(719);
  for (Word16 R = 2; R <= kLatticeMaxBits; ++R) {
    const int unit = 1 << lattice_shift_table[R];
    std::uniform_int_distribution<int> full(-kD8PlainBound, kD8PlainBound);
    std::uniform_int_distribution<int> small(-4 * unit, 4 * unit);
    std::uniform_int_distribution<int> jitter(-2, 2);
    std::uniform_int_distribution<int> lane(0, 7);
    for (int trial = 0; trial < 3000; ++trial) {
      Vec y;
      // Anywhere in range: mostly outside the codebook, so halved and grown.
      for (Word16 &v : y) v = static_cast<Word16>(full(rng));
      expect_same_quantization(y, R);
      // A few lattice units: mostly inside at once.
      for (Word16 &v : y) v = static_cast<Word16>(small(rng));
      expect_same_quantization(y, R);
      // On and next to half units, where rounding ties and odd sums decide.
      for (Word16 &v : y) v = static_cast<Word16>((small(rng) / unit) * unit + (unit / 2) * (trial & 1) + jitter(rng));
      expect_same_quantization(y, R);
      // One large component among zeros, as in a tonal band.
      y.fill(0);
      y[lane(rng)] = static_cast<Word16>(full(rng));
      expect_same_quantization(y, R);
    }
    for (Word16 edge : {Word16{kD8PlainBound}, static_cast<Word16>(-kD8PlainBound)}) {
      Vec y;
      y.fill(edge);
      expect_same_quantization(y, R);
      y[3] = static_cast<Word16>(-edge);
      expect_same_quantization(y, R);
    }
  }
}

// The band coder's lattice path for several vectors in one call against
// the operator scaling and the portable search, vector by vector: the same
// indices and the same Overflow, with normalised coefficients of every size,
// scaled values on and beyond the plain bound (where the kernel hands the
// vector to the portable path), a sub that saturates, and extract_l's wrap.
TEST_F(LatticeKernel, ScaledVectorsEqualThePortableScalingAndSearch) {
  std::mt19937 rng(21845);
  std::uniform_int_distribution<int> any(-32768, 32767);
  std::uniform_int_distribution<int> slot(0, 31);
  // v - 4 around +-kD8PlainBound * 3/16 and the first v where sub saturates.
  const Word16 edges[] = {MIN_16, -32765, -32764, -32763, -5621, -5622, -5623, -5620, 5629, 5630, 5631, 5632,
                          6147, 6148, 6149, 12292, 12293, 4, 3, 5, MAX_16};
  std::uniform_int_distribution<int> edge(0, static_cast<int>(std::size(edges)) - 1);
  for (Word16 R = 2; R <= kLatticeMaxBits; ++R) {
    for (int span : {40, 400, 2000, 5700, 32768}) {
      std::uniform_int_distribution<int> d(-span, span);
      for (int trial = 0; trial < 600; ++trial) {
        const Word16 count = static_cast<Word16>(1 + trial % 4);
        std::array<Word16, 32> v{}, got, want;
        for (Word16 &x : v) x = static_cast<Word16>(span == 32768 ? any(rng) : d(rng));
        if (trial % 3 == 0) v[slot(rng)] = edges[edge(rng)];
        want.fill(-9);
        got.fill(-9);
        for (const Flag before : {0, 1}) {
          Overflow = before;
          for (int n = 0; n < count; ++n) lattice_quantize_scaled(v.data() + 8 * n, want.data() + 8 * n, R);
          const Flag want_overflow = Overflow;
          Overflow = before;
          lattice_quantize_vectors_avx2(v.data(), got.data(), count, R);
          ASSERT_EQ(Overflow, want_overflow) << "R = " << R << ", " << ::testing::PrintToString(v);
          ASSERT_EQ(got, want) << "R = " << R << ", " << ::testing::PrintToString(v);
        }
      }
    }
  }
  // Resolutions without a lattice codebook give the portable path's zeros.
  for (Word16 R : {Word16{0}, Word16{1}, Word16{10}}) {
    std::array<Word16, 16> v{}, k;
    v.fill(300);
    k.fill(77);
    lattice_quantize_vectors_avx2(v.data(), k.data(), 2, R);
    for (Word16 x : k) EXPECT_EQ(x, 0) << "R = " << R;
  }
  Overflow = 0;
}

}  // namespace
