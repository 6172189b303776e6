// The Huffman cost of a band group with AVX2 against the component-by-
// component count: the same bits and Overflow flag for every band width, on
// allocations of every kind (none, one bit, the four Huffman resolutions,
// fixed-width ones, and values so large that the count saturates or the
// fixed-width product wraps), with index components of any value (the count
// masks them to the resolution).
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "frame/kernel_sets.h"
#include "spectral_enc/coef_huffman.h"

namespace {

constexpr int kBands = 12;

TEST(CoefHuffmanAvx2, CountEqualsTheComponentByComponentCount) {
  if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  std::mt19937 rng(60);
  std::uniform_int_distribution<int> any(-32768, 32767);
  std::uniform_int_distribution<int> component(0, 31);
  std::uniform_int_distribution<int> usual(-1, 9);
  const Word16 unusual[] = {MIN_16, -5, 0, 1, 2, 5, 6, 10, 700, 1000, 1024, 2047, 2048, MAX_16};
  std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(unusual)) - 1);
  for (Word16 width = 8; width <= 32; width = static_cast<Word16>(width + 8)) {
    for (int trial = 0; trial < 5000; ++trial) {
      std::array<Word16, kBands * 32> indices;
      for (Word16 &k : indices) k = static_cast<Word16>(trial % 4 == 0 ? any(rng) : component(rng));
      std::array<Word16, kBands + 2> allocation;
      for (Word16 &r : allocation) r = static_cast<Word16>(trial % 8 == 1 ? unusual[pick(rng)] : usual(rng));
      const Word16 first = static_cast<Word16>(trial % 3);
      const Word16 end = static_cast<Word16>(first + 1 + trial % kBands);
      for (const Flag before : {0, 1}) {
        Overflow = before;
        const Word16 want =
            count_coefficient_huffman_bits<PortableKernels>(indices.data(), allocation.data(), first, end, width);
        const Flag want_overflow = Overflow;
        Overflow = before;
        const Word16 got =
            count_coefficient_huffman_bits<Avx2Kernels>(indices.data(), allocation.data(), first, end, width);
        ASSERT_EQ(got, want) << "width " << width << ", trial " << trial;
        ASSERT_EQ(Overflow, want_overflow) << "width " << width << ", trial " << trial;
      }
    }
  }
  // Each Huffman resolution with every component value in turn, so that
  // every code length is looked up.
  for (Word16 r = kCoefHuffmanMinBits; r <= kCoefHuffmanMaxBits; ++r) {
    for (int k = 0; k < 32; ++k) {
      std::array<Word16, 8> band;
      band.fill(static_cast<Word16>(k));
      const Word16 allocation = r;
      EXPECT_EQ(count_coefficient_huffman_bits<Avx2Kernels>(band.data(), &allocation, 0, 1, 8),
                count_coefficient_huffman_bits<PortableKernels>(band.data(), &allocation, 0, 1, 8))
          << "R = " << r << ", component " << k;
    }
  }
  Overflow = 0;
}

}  // namespace
