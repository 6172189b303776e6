// The band group dequantization kernel against its portable twin, the
// operator form: the same coefficients (and nothing written past a band's
// vectors) and the same Overflow flag for every index of the 2-bit codebook,
// random and boundary indices at every resolution, indices outside the
// fields' range, one-bit bands with and without zeroed vectors, allocations
// outside 0..9 and odd widths; and the scaled one-bit table against the
// operators, row by row.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "frame/kernel_sets.h"
#include "spectral_dec/coefficient_decoding.h"
#include "spectral_enc/lattice_tables.h"

namespace {

constexpr Word16 kSentinel = 0x5A5A;

class DequantizeKernel : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "no AVX2 on this processor";
  }
};

// Runs both forms on one group and compares coefficients and Overflow;
// returns the reference's Overflow.
Flag expect_same_group(const std::vector<Word16> &index, const std::vector<Word16> &allocation, Word16 width,
                       const char *what) {
  const Word16 bands = static_cast<Word16>(allocation.size());
  std::vector<Word16> want(index.size() + 8, kSentinel), have(index.size() + 8, kSentinel);
  Overflow = 0;
  dequantize_band_group(index.data(), allocation.data(), 0, bands, width, want.data());
  const Flag want_overflow = Overflow;
  Overflow = 0;
  dequantize_band_group_avx2(index.data(), allocation.data(), 0, bands, width, have.data());
  EXPECT_EQ(have, want) << what << ", width " << width;
  EXPECT_EQ(Overflow, want_overflow) << what << ", width " << width;
  return want_overflow;
}

TEST_F(DequantizeKernel, EveryIndexOfTheTwoBitCodebook) {
  // All 2^16 indices, one vector of 8 each.
  std::vector<Word16> index(1 << 19);
  for (int code = 0; code < (1 << 16); ++code) {
    for (int i = 0; i < 8; ++i) index[code * 8 + i] = static_cast<Word16>((code >> (2 * i)) & 3);
  }
  // 128 bands of 32 per group (the kernel's largest group is 128 bands).
  for (int start = 0; start < (1 << 19); start += 128 * 32) {
    const std::vector<Word16> group(index.begin() + start, index.begin() + start + 128 * 32);
    expect_same_group(group, std::vector<Word16>(128, 2), 32, "R = 2, every index");
    if (HasFailure()) return;
  }
}

TEST_F(DequantizeKernel, RandomAndBoundaryIndicesAtEveryResolution) {
  std::mt19937 rng(2207);
  int clamped = 0;
  for (int trial = 0; trial < 6000; ++trial) {
    const Word16 width = static_cast<Word16>(8 * (1 + trial % 4));
    std::vector<Word16> allocation(1 + rng() % 16);
    for (auto &a : allocation) a = static_cast<Word16>(static_cast<int>(rng() % 14) - 2);  // -2..11
    std::vector<Word16> index(allocation.size() * width);
    for (size_t b = 0; b < allocation.size(); ++b) {
      const int r = allocation[b];
      const int bits = r == 1 ? 8 : (r >= 2 && r <= 15 ? r : 4);
      const int top = (1 << bits) - 1;
      for (int i = 0; i < width; ++i) {
        int k;
        switch (rng() % 8) {
          case 0: k = top; break;                                          // largest component
          case 1: k = 0; break;
          case 2: k = trial % 3 == 0 ? top + 1 : static_cast<int>(rng() % (top + 1)); break;  // just outside
          case 3: k = trial % 5 == 0 ? -1 : static_cast<int>(rng() % (top + 1)); break;
          case 4: k = trial % 7 == 0 ? static_cast<int>(rng() % 65536) - 32768 : static_cast<int>(rng() % 16); break;
          default: k = static_cast<int>(rng() % (top + 1)); break;
        }
        // One-bit indices stay codebook indices; below 16 they can be zeroed.
        if (r == 1) k = (rng() % 3 == 0) ? static_cast<int>(rng() % 16) : (k & 255);
        index[b * width + i] = static_cast<Word16>(k);
      }
    }
    clamped += expect_same_group(index, allocation, width, "random group");
    if (HasFailure()) return;
  }
  EXPECT_GT(clamped, 0);  // saturating vectors took the operator steps
}

TEST_F(DequantizeKernel, OddWidthsAndWideGroups) {
  std::mt19937 rng(91);
  for (Word16 width : {0, 1, 7, 9, 12, 20, 31, 255, 256, 300}) {
    for (int trial = 0; trial < 50; ++trial) {
      std::vector<Word16> allocation(1 + rng() % 5);
      for (auto &a : allocation) a = static_cast<Word16>(static_cast<int>(rng() % 12) - 1);
      std::vector<Word16> index(allocation.size() * width);
      for (size_t b = 0; b < allocation.size(); ++b) {
        const int bits = allocation[b] == 1 ? 8 : (allocation[b] >= 2 ? allocation[b] : 4);
        for (int i = 0; i < width; ++i) index[b * width + i] = static_cast<Word16>(rng() % (1u << bits));
      }
      expect_same_group(index, allocation, width, "odd width");
      if (HasFailure()) return;
    }
  }
}

// One-bit indices outside the 8-bit field (the readers never give them)
// stay inside the codebook: they decode as their low 8 bits, on both paths.
TEST_F(DequantizeKernel, OnebitIndicesOutsideTheFieldStayInsideTheCodebook) {
  const Word16 width = 16;
  const std::vector<Word16> allocation = {1};
  for (Word16 j : {Word16{-1}, Word16{256}, Word16{300}, MAX_16, MIN_16}) {
    const std::vector<Word16> index = {200, 0, 0, 0, 0, 0, 0, 0, j, 0, 0, 0, 0, 0, 0, 0};
    std::vector<Word16> low = index;
    low[8] = static_cast<Word16>(j & 0xFF);
    std::vector<Word16> got(width), want(width);
    dequantize_band_group(index.data(), allocation.data(), 0, 1, width, got.data());
    dequantize_band_group(low.data(), allocation.data(), 0, 1, width, want.data());
    EXPECT_EQ(got, want) << "index " << j;
    expect_same_group(index, allocation, width, "index outside the field");
  }
}

TEST(ScaledOnebitCodebook, RowsEqualTheOperators) {
  const Word16 *table = scaled_onebit_codebook();
  ASSERT_NE(table, nullptr);
  for (int n = 0; n < kOnebitCodebookSize * 8; ++n) {
    Overflow = 0;
    const Word16 want = add(mult(shl(onebit_codebook[n], 8), 29789), 4);
    ASSERT_EQ(Overflow, 0);
    ASSERT_EQ(table[n], want) << "row " << n / 8 << " component " << n % 8;
  }
}

}  // namespace
