// Analysis windowing and folding.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "transform/window_fold.h"
#include "transform/window_tables.h"

namespace {

struct Fold {
  std::vector<Word32> folded = std::vector<Word32>(960, 0x5A5A5A5A);
  std::vector<Word32> history = std::vector<Word32>(480, 0);

  void run(const std::vector<Word16> &x) { g719_window_fold(x.data(), folded.data(), history.data()); }
};

std::vector<Word16> impulse(int pos, Word16 value) {
  std::vector<Word16> x(960, 0);
  x[pos] = value;
  return x;
}

TEST(WindowFold, SilenceAfterSilenceStaysZero) {
  Fold f;
  f.run(std::vector<Word16>(960, 0));
  EXPECT_EQ(f.folded, std::vector<Word32>(960, 0));
  EXPECT_EQ(f.history, std::vector<Word32>(480, 0));
}

TEST(WindowFold, ImpulsesLandOnTheirFoldPositionsWithTheWindowValues) {
  {
    // x[0] is the far end of the block's second half: full weight on folded[479],
    // the window's first value kept for the next frame.
    Fold f;
    f.run(impulse(0, 32767));
    for (int i = 0; i < 960; ++i) EXPECT_EQ(f.folded[i], i == 479 ? -1073709056 : 0) << i;
    for (int k = 0; k < 480; ++k) EXPECT_EQ(f.history[k], k == 0 ? 884709 : 0) << k;
    f.run(std::vector<Word16>(960, 0));
    for (int i = 0; i < 960; ++i) EXPECT_EQ(f.folded[i], i == 480 ? 884709 : 0) << i;
    EXPECT_EQ(f.history, std::vector<Word32>(480, 0));
  }
  {
    Fold f;
    f.run(impulse(479, 1));
    EXPECT_EQ(f.folded[0], -23189);
    EXPECT_EQ(f.history[479], 23152);
  }
  {
    Fold f;
    f.run(impulse(480, 1));
    EXPECT_EQ(f.folded[0], -23152);
    EXPECT_EQ(f.history[479], -23189);
  }
  {
    // x[959] pairs with x[0]'s fold position, with the opposite window half.
    Fold f;
    f.run(impulse(959, 1000));
    EXPECT_EQ(f.folded[479], -27 * 1000);
    EXPECT_EQ(f.history[0], -32768 * 1000);
  }
}

TEST(WindowFold, EveryPositionFoldsOntoExactlyOneOutputOfEachHalf) {
  for (int n = 0; n < 960; n += 37) {
    Fold f;
    f.run(impulse(n, 100));
    const int pos = n < 480 ? 479 - n : n - 480;  // fold position of sample n
    for (int i = 0; i < 480; ++i) {
      EXPECT_EQ(f.folded[i] != 0, i == pos) << n << " " << i;
      EXPECT_EQ(f.history[i] != 0, i == (n < 480 ? n : 959 - n)) << n << " " << i;
    }
    for (int i = 480; i < 960; ++i) EXPECT_EQ(f.folded[i], 0);
  }
}

TEST(WindowFold, FullScaleInputCannotLeaveThe32BitRange) {
  // With every sample at -32768 both terms of each fold add up in magnitude:
  // 32768 (|center| + |edge|), at most 32768 * 46341.
  Fold f;
  f.run(std::vector<Word16>(960, MIN_16));
  for (int i = 0; i < 480; ++i) {
    const std::int64_t expected =
        32768LL * (std::abs(static_cast<int>(long_window_center[i])) + long_window_edge[i]);
    EXPECT_EQ(f.folded[i], expected) << i;
    EXPECT_LE(expected, 1518501888);
    EXPECT_EQ(f.history[479 - i], -32768LL * (long_window_edge[i] + long_window_center[i])) << i;
  }
}

}  // namespace
