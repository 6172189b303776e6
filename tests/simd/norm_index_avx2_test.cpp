// The norm indices with AVX2 against the portable peak and energy loops:
// the same indices and Overflow flag for every band width and group, on
// random bands of every magnitude, on the limit values (MIN_32, which the
// peak counts as MAX_32) and on bands whose energy saturates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "frame/kernel_sets.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/norm_quantizer.h"

namespace {

class NormIndexAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  }
};

// Every band of a frame starting with the 32 values of c (each band of
// width w takes c[0 .. w-1]): every width, group and index limit.
void expect_same_index(const std::vector<Word32> &c, const char *what) {
  std::vector<Word32> frame(kCodedCoefficients);
  for (int b = 0; b < kNumBands; ++b)
    std::copy(c.begin(), c.begin() + band_width_table[b], frame.begin() + band_start_table[b]);
  for (const Flag before : {0, 1}) {
    std::vector<Word16> want(kNumBands, -1), got(kNumBands, -2);
    Overflow = before;
    compute_norm_indices(frame.data(), want.data());
    const Flag want_overflow = Overflow;
    Overflow = before;
    compute_norm_indices_avx2(frame.data(), got.data());
    ASSERT_EQ(got, want) << what;
    ASSERT_EQ(Overflow, want_overflow) << what;
  }
  Overflow = 0;
}

TEST_F(NormIndexAvx2, RandomBandsOfEveryMagnitude) {
  std::mt19937 rng(44);
  for (int bits = 1; bits <= 32; ++bits) {
    const std::int64_t span = std::int64_t{1} << (bits - 1);
    std::uniform_int_distribution<std::int64_t> d(-span, span - 1);
    for (int trial = 0; trial < 40; ++trial) {
      std::vector<Word32> c(32);
      for (Word32 &x : c) x = static_cast<Word32>(d(rng));
      // Quiet bands with one loud coefficient set the peak apart from the rest.
      if (trial % 4 == 0) c[trial % 32] = static_cast<Word32>(span - 1);
      expect_same_index(c, "random");
    }
  }
}

TEST_F(NormIndexAvx2, LimitValuesAndSaturatingEnergies) {
  expect_same_index(std::vector<Word32>(32, 0), "zeros");
  expect_same_index(std::vector<Word32>(32, MIN_32), "all MIN_32");
  expect_same_index(std::vector<Word32>(32, MAX_32), "all MAX_32");
  expect_same_index(std::vector<Word32>(32, -1), "all -1");
  // Just below a power of two, negative: every high half is the most
  // negative one the shift allows, and the energy reaches 2^31.
  for (const Word32 v : {-(1 << 30) + 1, -(1 << 29) + 1, -(1 << 20) + 1, -(1 << 30), -(1 << 29)}) {
    expect_same_index(std::vector<Word32>(32, v), "near a power of two");
  }
  for (int at = 0; at < 32; at += 5) {
    std::vector<Word32> c(32, 12345);
    c[at] = MIN_32;
    expect_same_index(c, "one MIN_32");
    c[at] = 1;
    expect_same_index(c, "one 1");
  }
  // The saturation does happen in the reference (group 0, eight squares of 2^28).
  std::vector<Word32> loud(8, -(1 << 30) + 1);
  Word16 index = 0;
  Overflow = 0;
  compute_band_norm_index(loud.data(), &index, 32, 8, 0);
  EXPECT_EQ(Overflow, 1);
  Overflow = 0;
}

// All 44 bands in one call against the portable band-by-band loop: the same
// indices and Overflow, on frames whose bands each get their own magnitude
// (so a band's index depends only on its own coefficients) and limit values,
// including band 0 with its lower index limit.
TEST_F(NormIndexAvx2, WholeFrameEqualsThePortableBandLoop) {
  std::mt19937 rng(800);
  std::uniform_int_distribution<Word32> any(MIN_32, MAX_32);
  std::uniform_int_distribution<int> bits(0, 31);
  std::uniform_int_distribution<int> special(0, 9);
  for (int trial = 0; trial < 3000; ++trial) {
    std::vector<Word32> c(kCodedCoefficients);
    for (int b = 0; b < kNumBands; ++b) {
      const int shift = bits(rng);
      for (int i = band_start_table[b]; i < band_start_table[b] + band_width_table[b]; ++i) {
        c[i] = any(rng) >> shift;
        switch (special(rng)) {
          case 0: c[i] = MIN_32; break;
          case 1: c[i] = trial % 2 ? 0 : -(1 << 30) + 1; break;
          default: break;
        }
      }
      if (trial % 7 == b % 7) std::fill(c.begin() + band_start_table[b], c.begin() + band_end_table[b], 0);
      // A band whose energy saturates (group 0 from eight such values on).
      if (trial % 11 == b % 11) {
        std::fill(c.begin() + band_start_table[b], c.begin() + band_end_table[b], -(1 << 30) + 1);
      }
    }
    for (const Flag before : {0, 1}) {
      std::vector<Word16> want(kNumBands, -1), got(kNumBands, -2);
      Overflow = before;
      compute_norm_indices(c.data(), want.data());
      const Flag want_overflow = Overflow;
      Overflow = before;
      compute_norm_indices_avx2(c.data(), got.data());
      ASSERT_EQ(got, want) << "trial " << trial;
      ASSERT_EQ(Overflow, want_overflow) << "trial " << trial;
    }
  }
  Overflow = 0;
}

}  // namespace

namespace {

// The plain last step against the basic-operator one over the whole range
// of block shifts, at every power of two and at the rounding point
// 0x5A82799A of every scale (the mean square is the energy times 1/width).
TEST(NormIndexFromEnergy, PlainEqualsOperatorsOnEveryShift) {
  std::vector<Word32> energies = {0, 1, 2, 3, MAX_32, MAX_32 - 1};
  for (int k = 0; k < 31; ++k) {
    for (const std::int64_t base : {std::int64_t{1} << k, std::int64_t{0x5A82799A} >> k}) {
      for (const std::int64_t scale : {std::int64_t{1}, std::int64_t{2}, std::int64_t{8}, std::int64_t{24},
                                       std::int64_t{32}}) {
        for (int d = -3; d <= 3; ++d) {
          const std::int64_t v = base * scale + d;
          if (v >= 0 && v <= MAX_32) energies.push_back(static_cast<Word32>(v));
        }
      }
    }
  }
  std::mt19937 rng(19);
  std::uniform_int_distribution<Word32> any(0, MAX_32);
  for (int i = 0; i < 2000; ++i) energies.push_back(any(rng) >> (i % 31));
  for (const Word32 energy : energies) {
    for (Word16 shift = -2; shift <= 29; ++shift) {
      for (Word16 group = 0; group < kNumBandGroups; ++group) {
        for (const Word16 limit : {Word16{32}, Word16{40}}) {
          Overflow = 0;
          const Word16 want = band_norm_index_from_energy(energy, shift, limit, group);
          ASSERT_EQ(Overflow, 0) << "a saturating step in the basic-operator version";
          ASSERT_EQ(band_norm_index_from_energy_plain(energy, shift, limit, group), want)
              << "energy " << energy << ", shift " << shift << ", group " << group;
        }
      }
    }
  }
}

}  // namespace
