// The forward transform's input stages with AVX2 against the portable loops:
// the same DCT-IV inputs and Overflow flag for long and short blocks, at the
// block scaling's shift (norm_l of the peak), at no shift and at one in
// between, on folded values of every magnitude (the window sums are largest
// at full scale), around the rounding limit 0x7FFF7FFF where round_fx
// saturates, and on an impulse at every position (which shows any position
// or factor that is read from the wrong place). And the fused scaling of
// the whole transform against block_shl followed by the unscaled transform.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

#include "frame/block_scaling.h"
#include "frame/kernel_sets.h"
#include "transform/forward_transform.h"
#include "transform/forward_windows.h"

namespace {

using Frame = std::array<Word32, 960>;

class ForwardWindowsAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  }

  static void expect_same(const Frame &folded, const char *what) {
    const Word16 full = norm_l(block_peak_magnitude(folded.data(), 960));
    for (const Word16 shift : {Word16{0}, static_cast<Word16>(full / 2), full}) {
      for (const Flag before : {0, 1}) {
        Frame want, got;
        Overflow = before;
        short_window_blocks(folded.data(), want.data(), shift);
        const Flag want_overflow = Overflow;
        Overflow = before;
        short_window_blocks_avx2(folded.data(), got.data(), shift);
        ASSERT_EQ(Overflow, want_overflow) << what << ": short blocks, shift " << shift;
        for (int i = 0; i < 960; ++i)
          ASSERT_EQ(got[i], want[i]) << what << ": short block value " << i << ", shift " << shift;

        Overflow = before;
        long_transform_input(folded.data(), want.data(), shift);
        const Flag long_overflow = Overflow;
        Overflow = before;
        long_transform_input_avx2(folded.data(), got.data(), shift);
        ASSERT_EQ(Overflow, long_overflow) << what << ": long block, shift " << shift;
        for (int i = 0; i < 960; ++i)
          ASSERT_EQ(got[i], want[i]) << what << ": long block value " << i << ", shift " << shift;
      }
    }
    Overflow = 0;
  }
};

TEST_F(ForwardWindowsAvx2, RandomAndExtremeFramesMatchThePortableLoops) {
  std::mt19937 rng(240);
  std::uniform_int_distribution<Word32> any(MIN_32, MAX_32);
  std::uniform_int_distribution<int> position(0, 959);
  Frame folded;
  for (int frame = 0; frame < 200; ++frame) {
    for (Word32 &v : folded) v = any(rng) >> (frame % 32);
    ASSERT_NO_FATAL_FAILURE(expect_same(folded, "random"));
  }
  for (const Word32 a : {MIN_32, MAX_32, Word32{0x7FFF7FFF}, Word32{-0x7FFF8000}}) {
    for (const Word32 b : {MIN_32, MAX_32, Word32{0x7FFF7FFF}}) {
      for (int i = 0; i < 960; ++i) folded[i] = (i / 120) % 2 ? a : b;
      ASSERT_NO_FATAL_FAILURE(expect_same(folded, "full scale"));
    }
  }
  // round_fx saturates above 0x7FFF7FFF: one such value among ordinary ones.
  for (const Word32 v : {Word32{0x7FFF7FFF}, Word32{0x7FFF8000}, MAX_32}) {
    for (int trial = 0; trial < 20; ++trial) {
      for (Word32 &x : folded) x = any(rng) >> 4;
      folded[position(rng)] = v;
      ASSERT_NO_FATAL_FAILURE(expect_same(folded, "near the rounding limit"));
    }
  }
}

TEST_F(ForwardWindowsAvx2, ImpulseAtEveryPosition) {
  for (int at = 0; at < 960; ++at) {
    Frame folded{};
    folded[at] = at % 2 ? MIN_32 : 0x7FFF0000 - at;
    ASSERT_NO_FATAL_FAILURE(expect_same(folded, "impulse"));
  }
}

// The frame driver's use: block_shl by norm_l of the peak and then the
// transform, against the transform with the shift fused in, on the kernel
// set K.
template <class K>
void expect_fused_shift() {
  std::mt19937 rng(31);
  std::uniform_int_distribution<Word32> any(MIN_32, MAX_32);
  for (int frame = 0; frame < 24; ++frame) {
    Frame folded;
    for (Word32 &v : folded) v = any(rng) >> (1 + frame % 31);
    if (frame % 6 == 5) folded.fill(0);
    const Word16 shift = norm_l(block_peak_magnitude(folded.data(), 960));
    Frame shifted = folded;
    block_shl(shifted.data(), 960, shift);
    for (const Word16 transient : {Word16{0}, Word16{1}}) {
      Frame want, got;
      g719_forward_transform<PortableKernels>(shifted.data(), want.data(), transient, 0);
      const Frame before = folded;
      g719_forward_transform<K>(folded.data(), got.data(), transient, shift);
      ASSERT_EQ(got, want) << "frame " << frame << ", transient " << transient << ", set " << int(K::kSet);
      ASSERT_EQ(folded, before) << "the folded values were written";
    }
  }
}

TEST(ForwardTransformScaled, EqualsShiftingTheBlockFirst) {
  expect_fused_shift<PortableKernels>();
  if (g719_kernel_set_supported(KernelSet::kAvx2)) expect_fused_shift<Avx2Kernels>();
}

}  // namespace
