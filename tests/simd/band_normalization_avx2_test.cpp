// The AVX2 band normalization against the portable loop: the same
// normalized values, the same rescaled coefficients (odd norm indices) and
// the same Overflow flag, for every band width and norm index.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "frame/kernel_sets.h"
#include "spectral_enc/coefficient_coding.h"

namespace {

class BandNormalizationAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  }
};

void expect_same(const std::vector<Word32> &coefficients, const std::vector<Word16> &indices, Word16 bands,
                 Word16 width) {
  std::vector<Word32> c_want = coefficients, c_got = coefficients;
  std::vector<Word16> y_want(coefficients.size(), 0x1234), y_got(coefficients.size(), 0x1234);
  Overflow = 0;
  normalize_band_coefficients(c_want.data(), indices.data(), 0, bands, width, y_want.data());
  const Flag want_flag = Overflow;
  Overflow = 0;
  normalize_band_coefficients_avx2(c_got.data(), indices.data(), 0, bands, width, y_got.data());
  const Flag got_flag = Overflow;
  Overflow = 0;
  ASSERT_EQ(y_got, y_want) << "width " << width;
  ASSERT_EQ(c_got, c_want) << "width " << width;
  EXPECT_EQ(got_flag, want_flag) << "width " << width;
}

TEST_F(BandNormalizationAvx2, MatchesPortableForEveryWidthAndIndex) {
  std::mt19937 rng(17);
  // 40 and 64 are no band width, but the kernel takes any multiple of 8.
  for (Word16 width : {8, 16, 24, 32, 40, 64}) {
    const Word16 bands = 12;
    std::vector<Word32> c(static_cast<size_t>(bands) * width);
    std::vector<Word16> indices(bands);
    for (int bits : {4, 16, 24, 31, 32}) {
      const std::int64_t span = std::int64_t{1} << (bits - 1);
      std::uniform_int_distribution<std::int64_t> d(-span, span - 1);
      for (int index = -6; index <= 60; index += 2) {
        for (Word32 &v : c) v = static_cast<Word32>(d(rng));
        for (int b = 0; b < bands; ++b) indices[b] = static_cast<Word16>(index + (b & 1));
        expect_same(c, indices, bands, width);
      }
    }
    // Full-scale coefficients with the loudest indices: the left shifts of
    // small indices saturate, the low halves wrap.
    for (Word32 v : {MIN_32, MAX_32, Word32{-1}, Word32{0x00017FFF}}) {
      std::fill(c.begin(), c.end(), v);
      for (int b = 0; b < bands; ++b) indices[b] = static_cast<Word16>(b);
      expect_same(c, indices, bands, width);
      for (Word16 &i : indices) i = MIN_16;
      expect_same(c, indices, bands, width);
      for (Word16 &i : indices) i = MAX_16;
      expect_same(c, indices, bands, width);
    }
  }
}

}  // namespace
