// The AVX2 windowing and fold against the portable loop: the same folded
// values and the same saved history over a run of frames (so a history
// written in the wrong order shows in the next frame), on random audio, on
// full-scale extremes where the products are largest, and on an impulse at
// every position.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "frame/block_scaling.h"
#include "frame/kernel_sets.h"
#include "transform/window_fold.h"

namespace {

class WindowFoldAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  }

  // One frame through both; the histories carry over between calls.
  void expect_same_frame(const std::array<Word16, 960> &pcm, const char *what) {
    std::array<Word32, 960> want{}, got{};
    Overflow = 0;
    g719_window_fold(pcm.data(), want.data(), history_want_.data());
    ASSERT_EQ(Overflow, 0) << what << ": the fold saturated";
    g719_window_fold_avx2(pcm.data(), got.data(), history_got_.data());
    ASSERT_EQ(Overflow, 0) << what;
    for (int i = 0; i < 960; ++i) ASSERT_EQ(got[i], want[i]) << what << ": folded " << i;
    for (int i = 0; i < 480; ++i) ASSERT_EQ(history_got_[i], history_want_[i]) << what << ": history " << i;
  }

  std::array<Word32, 480> history_want_{};
  std::array<Word32, 480> history_got_{};
};

TEST_F(WindowFoldAvx2, RandomAndFullScaleFramesMatchThePortableFold) {
  std::mt19937 rng(1920);
  std::uniform_int_distribution<int> sample(MIN_16, MAX_16);
  std::array<Word16, 960> pcm;
  for (int frame = 0; frame < 20; ++frame) {
    for (Word16 &v : pcm) v = static_cast<Word16>(sample(rng));
    expect_same_frame(pcm, "random");
  }
  for (Word16 a : {MIN_16, MAX_16}) {
    for (Word16 b : {MIN_16, MAX_16}) {
      // The first half at one extreme and the second at another: the
      // products of both factors reach their largest magnitudes together.
      for (int i = 0; i < 960; ++i) pcm[i] = i < 480 ? a : b;
      expect_same_frame(pcm, "extremes");
    }
  }
  for (int i = 0; i < 960; ++i) pcm[i] = (i & 1) ? MIN_16 : MAX_16;
  expect_same_frame(pcm, "alternating extremes");
}

TEST_F(WindowFoldAvx2, ImpulseAtEveryPositionLandsWhereThePortableFoldPutsIt) {
  std::array<Word16, 960> pcm{};
  for (int pos = 0; pos < 960; ++pos) {
    pcm.fill(0);
    pcm[pos] = static_cast<Word16>(pos % 2 ? MIN_16 : 12345);
    expect_same_frame(pcm, "impulse");
  }
}

// The fold with its peak: the same folded values, history and peak
// (block_peak_magnitude of the folded block) on both paths, over runs of
// frames, with the loudest value in either half (this frame's fold or the
// saved history) and with saved histories holding any value, MIN_32
// included (it counts as MAX_32).
TEST_F(WindowFoldAvx2, FoldWithPeakMatchesThePortableFoldAndPeak) {
  std::mt19937 rng(960);
  std::uniform_int_distribution<int> sample(MIN_16, MAX_16);
  std::uniform_int_distribution<Word32> any(MIN_32, MAX_32);
  std::uniform_int_distribution<int> position(0, 959);
  std::array<Word32, 480> history_want{}, history_got{};
  std::array<Word16, 960> pcm;
  for (int frame = 0; frame < 400; ++frame) {
    const int scale = frame % 16;
    for (Word16 &v : pcm) v = static_cast<Word16>(sample(rng) >> scale);
    // A lone loud sample, so that the peak sits at one place.
    pcm[position(rng)] = static_cast<Word16>(frame % 2 ? MIN_16 : MAX_16);
    if (frame % 10 == 3) pcm.fill(0);
    if (frame % 25 == 7) {
      for (Word32 &h : history_want) h = any(rng) >> (frame % 31);
      history_want[frame % 480] = frame % 50 == 7 ? MIN_32 : MAX_32;
      history_got = history_want;
    }
    std::array<Word32, 960> want{}, got{};
    const Word32 peak_want = g719_window_fold(pcm.data(), want.data(), history_want.data());
    ASSERT_EQ(peak_want, block_peak_magnitude(want.data(), 960));
    const Word32 peak_got = g719_window_fold_avx2(pcm.data(), got.data(), history_got.data());
    ASSERT_EQ(peak_got, peak_want) << "frame " << frame;
    ASSERT_EQ(got, want) << "frame " << frame;
    ASSERT_EQ(history_got, history_want) << "frame " << frame;
  }
}

}  // namespace
