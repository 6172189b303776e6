// Inverse transform and overlap-add on their own, and the block structure of
// the short transforms in both directions.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "transform/forward_transform.h"
#include "transform/inverse_transform.h"
#include "transform/window_tables.h"
#include "frame/kernel_sets.h"

namespace {

std::vector<Word32> random_values(int n, Word32 magnitude, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<Word32> dist(-magnitude, magnitude);
  std::vector<Word32> v(n);
  for (auto &x : v) x = dist(rng);
  return v;
}

std::vector<Word32> inverse(std::vector<Word32> coefficients, Word16 transient) {
  std::vector<Word32> aliased(1920, 0x12345678);
  g719_inverse_transform<PortableKernels>(coefficients.data(), aliased.data(), transient);
  return aliased;
}

TEST(InverseTransform, ZeroSpectrumGivesZeroValues) {
  for (Word16 transient : {0, 1}) {
    EXPECT_EQ(inverse(std::vector<Word32>(960, 0), transient), std::vector<Word32>(1920, 0)) << transient;
  }
}

TEST(InverseTransform, TheUnfoldedHalvesAreMirrorImages) {
  for (Word16 transient : {0, 1}) {
    for (unsigned seed : {1u, 2u, 3u}) {
      // Largest magnitudes as the decoder's scaling leaves them: below 2^24.
      const std::vector<Word32> a = inverse(random_values(960, (1 << 24) - 1, seed), transient);
      bool any_nonzero = false;
      for (int i = 0; i < 480; ++i) {
        ASSERT_EQ(a[480 + i], -a[479 - i]) << transient << " " << i;
        ASSERT_EQ(a[1440 + i], a[1439 - i]) << transient << " " << i;
        any_nonzero = any_nonzero || a[i] != 0;
      }
      EXPECT_TRUE(any_nonzero);
    }
  }
}

TEST(InverseTransform, AShortBlockOnlyReachesItsOwnStretch) {
  // Block 0 covers v[0..359] before the reversal, v[600..959] after it,
  // which the unfolding places at aliased[120..839].
  std::vector<Word32> c(960, 0);
  const std::vector<Word32> r = random_values(240, 1 << 23, 9);
  for (int k = 0; k < 240; ++k) c[k] = r[k];
  const std::vector<Word32> a = inverse(c, 1);
  int nonzero = 0;
  for (int i = 0; i < 1920; ++i) {
    if (i < 120 || i >= 840) {
      ASSERT_EQ(a[i], 0) << i;
    } else {
      nonzero += a[i] != 0;
    }
  }
  EXPECT_GT(nonzero, 600);

  // The last block (coefficients 720..959) covers v[600..959] before the
  // reversal, v[0..359] after it, which the unfolding places at
  // aliased[1440..1799] (-v[i]) and aliased[1080..1439] (-v[479 - i]).
  std::vector<Word32> d(960, 0);
  for (int k = 0; k < 240; ++k) d[720 + k] = r[k];
  const std::vector<Word32> b = inverse(d, 1);
  nonzero = 0;
  for (int i = 0; i < 1920; ++i) {
    if (i < 1080 || i >= 1800) {
      ASSERT_EQ(b[i], 0) << i;
    } else {
      nonzero += b[i] != 0;
    }
  }
  EXPECT_GT(nonzero, 600);
}

TEST(ForwardTransform, ShortBlocksOnlySeeTheirOwnStretchOfTheFoldedValues) {
  std::vector<Word32> folded = random_values(960, 1 << 30, 4);
  std::vector<Word32> base(960), changed(960);
  g719_forward_transform<PortableKernels>(folded.data(), base.data(), 1, 0);

  // Changing folded[0..599] leaves block 0 alone.
  std::vector<Word32> f1 = folded;
  for (int i = 0; i < 600; ++i) f1[i] = -f1[i] / 3;
  g719_forward_transform<PortableKernels>(f1.data(), changed.data(), 1, 0);
  for (int k = 0; k < 240; ++k) ASSERT_EQ(changed[k], base[k]) << k;
  int differ = 0;
  for (int k = 240; k < 960; ++k) differ += changed[k] != base[k];
  EXPECT_GT(differ, 600);

  // Changing folded[360..959] leaves block 3 alone.
  std::vector<Word32> f2 = folded;
  for (int i = 360; i < 960; ++i) f2[i] = f2[i] / 2 + 12345;
  g719_forward_transform<PortableKernels>(f2.data(), changed.data(), 1, 0);
  for (int k = 720; k < 960; ++k) ASSERT_EQ(changed[k], base[k]) << k;

  // The long transform has no such structure.
  std::vector<Word32> long_base(960), long_changed(960);
  g719_forward_transform<PortableKernels>(folded.data(), long_base.data(), 0, 0);
  g719_forward_transform<PortableKernels>(f1.data(), long_changed.data(), 0, 0);
  differ = 0;
  for (int k = 0; k < 240; ++k) differ += long_changed[k] != long_base[k];
  EXPECT_GT(differ, 200);
}

TEST(ForwardTransform, ZeroFoldedBlockGivesZeroCoefficients) {
  const std::vector<Word32> zero(960, 0);
  for (Word16 transient : {0, 1}) {
    std::vector<Word32> c(960, 77);
    g719_forward_transform<PortableKernels>(zero.data(), c.data(), transient, 0);
    EXPECT_EQ(c, zero) << transient;
  }
}

TEST(OverlapAdd, WindowsAddsTheSavedHalfAndScalesToPcm) {
  // A constant 100 in PCM units with 9 fractional bits.
  const Word32 value = 100 << 9;
  std::vector<Word32> aliased(1920, value), history(960, 0);
  std::vector<Word16> pcm(960);
  g719_scaled_overlap_add(aliased.data(), 0, pcm.data(), history.data());
  for (int i = 0; i < 960; ++i) {
    // L_mls of a non-negative value by a positive window is floor(v w / 2^15).
    const std::int64_t w = (static_cast<std::int64_t>(value) * long_synthesis_window[i]) >> 15;
    EXPECT_EQ(pcm[i], (w * 128 + 32768) >> 16) << i;
    EXPECT_EQ(history[i], (static_cast<std::int64_t>(value) * long_synthesis_window[960 + i]) >> 15) << i;
  }
  // Next frame: the saved half comes back on top of the new one. With the
  // new values at zero the output is the history alone, and it empties.
  const std::vector<Word32> saved = history;
  std::fill(aliased.begin(), aliased.end(), 0);
  g719_scaled_overlap_add(aliased.data(), 0, pcm.data(), history.data());
  for (int i = 0; i < 960; ++i) {
    EXPECT_EQ(pcm[i], (static_cast<std::int64_t>(saved[i]) * 128 + 32768) >> 16) << i;
  }
  EXPECT_EQ(history, std::vector<Word32>(960, 0));
}

TEST(OverlapAdd, OutOfRangeValuesSaturate) {
  std::vector<Word32> aliased(1920), history(960, 0);
  for (int i = 0; i < 1920; ++i) aliased[i] = (i % 2 == 0) ? MAX_32 : MIN_32;
  std::vector<Word16> pcm(960);
  g719_scaled_overlap_add(aliased.data(), 0, pcm.data(), history.data());
  EXPECT_EQ(pcm[480], MAX_16);
  EXPECT_EQ(pcm[481], MIN_16);
  g719_scaled_overlap_add(aliased.data(), 0, pcm.data(), history.data());
  for (int i = 0; i < 960; ++i) EXPECT_EQ(pcm[i], (i % 2 == 0) ? MAX_16 : MIN_16) << i;
}

}  // namespace

namespace {

TEST(InverseTransform, FullRangeValuesSaturateAndKeepTheMirrorUpToNegatedMinimum) {
  // Coefficients far beyond what the decoder's scaling lets through (corrupt
  // or concealed frames never get there, but nothing may wrap or break).
  for (Word16 transient : {0, 1}) {
    std::vector<Word32> c = random_values(960, MAX_32, 21 + transient);
    for (int k = 0; k < 960; k += 7) c[k] = (k % 2 == 0) ? MIN_32 : MAX_32;
    const std::vector<Word32> a = inverse(c, transient);
    int nonzero = 0;
    for (int i = 0; i < 480; ++i) {
      const Word32 m = a[479 - i] == MIN_32 ? MAX_32 : -a[479 - i];
      ASSERT_EQ(a[480 + i], m) << transient << " " << i;
      ASSERT_EQ(a[1440 + i], a[1439 - i]) << transient << " " << i;
      nonzero += a[i] != 0;
    }
    EXPECT_GT(nonzero, 400) << transient;
  }
}

TEST(ForwardTransform, ExtremeFoldedValuesSaturateInsteadOfWrapping) {
  // A constant positive block: the DCT-IV's first coefficient is the largest
  // and positive, the second negative, for both sizes' paths.
  const std::vector<Word32> folded(960, MAX_32);
  std::vector<Word32> c(960);
  g719_forward_transform<PortableKernels>(folded.data(), c.data(), 0, 0);
  EXPECT_GT(c[0], 0);
  EXPECT_LT(c[1], 0);
  for (int k = 0; k < 960; ++k)
    EXPECT_GE(std::abs(static_cast<std::int64_t>(c[0])), std::abs(static_cast<std::int64_t>(c[k]))) << k;

  const std::vector<Word32> low(960, MIN_32);
  g719_forward_transform<PortableKernels>(low.data(), c.data(), 1, 0);
  std::vector<Word32> again(960);
  g719_forward_transform<PortableKernels>(low.data(), again.data(), 1, 0);
  EXPECT_EQ(c, again);
  EXPECT_NE(c, std::vector<Word32>(960, 0));
}

}  // namespace
