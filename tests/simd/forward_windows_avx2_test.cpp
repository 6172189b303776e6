// The forward transform's input stages with AVX2 against the portable loops:
// the same DCT-IV inputs and Overflow flag for long and short blocks, on
// folded values of every magnitude (the window sums are largest at full
// scale), around the rounding limit 0x7FFF7FFF where round_fx saturates, and
// on an impulse at every position (which shows any position or factor that
// is read from the wrong place).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

#include "frame/cpu_dispatch.h"
#include "transform/forward_windows.h"

namespace {

using Frame = std::array<Word32, 960>;

class ForwardWindowsAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_cpu_has_avx2()) GTEST_SKIP() << "processor without AVX2";
  }

  static void expect_same(const Frame &folded, const char *what) {
    for (const Flag before : {0, 1}) {
      Frame want, got;
      Overflow = before;
      short_window_blocks_portable(folded.data(), want.data());
      const Flag want_overflow = Overflow;
      Overflow = before;
      short_window_blocks_avx2(folded.data(), got.data());
      ASSERT_EQ(Overflow, want_overflow) << what << ": short blocks";
      for (int i = 0; i < 960; ++i) ASSERT_EQ(got[i], want[i]) << what << ": short block value " << i;

      Overflow = before;
      long_transform_input_portable(folded.data(), want.data());
      const Flag long_overflow = Overflow;
      Overflow = before;
      long_transform_input_avx2(folded.data(), got.data());
      ASSERT_EQ(Overflow, long_overflow) << what << ": long block";
      for (int i = 0; i < 960; ++i) ASSERT_EQ(got[i], want[i]) << what << ": long block value " << i;
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

}  // namespace
