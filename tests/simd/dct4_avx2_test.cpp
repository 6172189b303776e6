// The AVX2 960-point DCT-IV against the portable one: identical output,
// and identical Overflow flag.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "frame/kernel_sets.h"
#include "transform/dct4.h"
#include "transform/dct4.h"
#include "transform/transform_tables.h"

namespace {

struct Outcome {
  Word32 work[960];
  Word32 out[960];
  Flag overflow;
};

Outcome run(const Word32 *input, void (*dct)(Word32 *, Word32 *)) {
  Outcome o;
  for (int i = 0; i < 960; ++i) o.work[i] = input[i];
  Overflow = 0;
  dct(o.work, o.out);
  o.overflow = Overflow;
  Overflow = 0;
  return o;
}

void expect_same(const Word32 *input, const char *what) {
  const Outcome want = run(input, dct4_960);
  const Outcome got = run(input, dct4_960_avx2);
  for (int i = 0; i < 960; ++i) {
    ASSERT_EQ(got.out[i], want.out[i]) << what << ": output " << i;
  }
  EXPECT_EQ(got.overflow, want.overflow) << what;
}

class Dct4Avx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  }
};

TEST_F(Dct4Avx2, MatchesPortableOnRandomInputsOfEveryScale) {
  std::mt19937 rng(960);
  Word32 in[960];
  bool saw_overflow = false, saw_clean = false;
  for (int bits = 2; bits <= 32; ++bits) {
    for (int trial = 0; trial < 4; ++trial) {
      const std::int64_t span = std::int64_t{1} << (bits - 1);
      std::uniform_int_distribution<std::int64_t> d(-span, span - 1);
      for (Word32 &v : in) v = static_cast<Word32>(d(rng));
      expect_same(in, "random");
      (run(in, dct4_960).overflow ? saw_overflow : saw_clean) = true;
    }
  }
  EXPECT_TRUE(saw_overflow);
  EXPECT_TRUE(saw_clean);
}

TEST_F(Dct4Avx2, MatchesPortableOnExtremeBlocks) {
  Word32 in[960];
  for (Word32 v : {MIN_32, MAX_32, Word32{-1}, Word32{1} << 22, -(Word32{1} << 22)}) {
    for (Word32 &x : in) x = v;
    expect_same(in, "constant");
  }
  for (int i = 0; i < 960; ++i) in[i] = (i & 1) ? MIN_32 : MAX_32;
  expect_same(in, "alternating extremes");
  for (int pos : {0, 1, 478, 479, 480, 481, 958, 959}) {
    for (Word32 &x : in) x = 0;
    in[pos] = MIN_32;
    expect_same(in, "impulse");
  }
}

// Inputs at the plain kernels' limits: the portable transform must not
// saturate on them (or the limits are unsafe), and the plain kernels must
// agree with it. The sign patterns line up with the pre-twiddle factors, so
// that the sums formed before the FFT's scaling multiplications reach their
// largest possible size.
void aligned_pattern(int n, const Q15Pair *twiddle, Word32 magnitude, int flip, Word32 *x) {
  for (int k = 0; k < n / 2; ++k) {
    const bool c_neg = twiddle[k].c < 0, s_neg = twiddle[k].s < 0;
    x[2 * k] = (c_neg != ((flip & 1) != 0)) ? -magnitude : magnitude;
    x[n - 1 - 2 * k] = (s_neg != ((flip & 2) != 0)) ? magnitude : -magnitude;
  }
}

// The unscanned entry for the encoder's inputs, up to its limit of 2^22.
TEST_F(Dct4Avx2, SmallInputEntryMatchesPortable) {
  std::mt19937 rng(22);
  std::uniform_int_distribution<Word32> d(-(1 << 22), 1 << 22);
  Word32 in[960];
  for (int trial = 0; trial < 8; ++trial) {
    for (Word32 &v : in) v = trial == 0 ? (1 << 22) : (trial == 1 ? -(1 << 22) : d(rng));
    const Outcome want = run(in, dct4_960);
    const Outcome got = run(in, dct4_960_small_input_avx2);
    for (int i = 0; i < 960; ++i) {
      ASSERT_EQ(got.out[i], want.out[i]) << "trial " << trial << ", output " << i;
    }
    EXPECT_EQ(want.overflow, 0);
    EXPECT_EQ(got.overflow, 0);
  }
}

TEST_F(Dct4Avx2, PlainLimitsNeverSaturate) {
  std::mt19937 rng(2023);
  Word32 in[960];
  for (int flip = 0; flip < 4; ++flip) {
    aligned_pattern(960, dct960_pre_twiddle.data(), kDct960PlainInputBound, flip, in);
    ASSERT_EQ(run(in, dct4_960).overflow, 0) << "peak limit, pattern " << flip;
    expect_same(in, "aligned at the peak limit");
    // Sum of magnitudes at its limit, with peaks far above the peak limit.
    const Word32 big = static_cast<Word32>(kPlainInputMagnitudeSum / 128);
    aligned_pattern(960, dct960_pre_twiddle.data(), 0, flip, in);
    for (int k = 0; k < 128; ++k) in[(k * 7) % 960] = (in[(k * 7) % 960] < 0 || (flip & 1)) ? -big : big;
    ASSERT_EQ(run(in, dct4_960).overflow, 0) << "sum limit, pattern " << flip;
    expect_same(in, "sparse at the sum limit");
  }
  // The whole sum on the four inputs that meet in the first radix-4
  // butterfly with the largest factors (x[2n] for n = 0, 120, 240, 360, signs
  // of their pre-twiddle cosines): the value they form there comes closest
  // to the limit any sum-bounded input can reach, so a limit set too high
  // saturates here.
  for (int flip = 0; flip < 2; ++flip) {
    for (Word32 &v : in) v = 0;
    const Word32 quarter = static_cast<Word32>(kPlainInputMagnitudeSum / 4);
    for (int n : {0, 120, 240, 360}) in[2 * n] = (dct960_pre_twiddle[n].c < 0) != (flip != 0) ? -quarter : quarter;
    ASSERT_EQ(run(in, dct4_960).overflow, 0) << "concentrated at the sum limit, pattern " << flip;
    expect_same(in, "concentrated at the sum limit");
  }
  std::bernoulli_distribution sign(0.5);
  for (int trial = 0; trial < 20; ++trial) {
    for (Word32 &v : in) v = sign(rng) ? kDct960PlainInputBound : -kDct960PlainInputBound;
    expect_same(in, "random signs at the peak limit");
    // One past the limit: the saturating kernel, which still agrees.
    in[trial * 47] = kDct960PlainInputBound + 1;
    expect_same(in, "one past the peak limit");
  }
  for (int flip = 0; flip < 4; ++flip) {
    for (int b = 0; b < 4; ++b)
      aligned_pattern(240, dct240_pre_twiddle.data(), kDct240PlainInputBound, flip, in + 240 * b);
    Word32 want[960], got[960];
    Overflow = 0;
    dct4_240_x4(in, want);
    ASSERT_EQ(Overflow, 0) << "short peak limit, pattern " << flip;
    dct4_240_x4_avx2(in, got);
    ASSERT_EQ(Overflow, 0);
    for (int i = 0; i < 960; ++i) ASSERT_EQ(got[i], want[i]) << "short peak limit, output " << i;
  }
}

// Aligned inputs of every magnitude past the peak limit: their magnitude
// sums lie far beyond the sum limit, so they must take the saturating
// kernels, and the portable transform saturates on the larger ones; a wrong
// choice of kernel shows as a differing output. Among them the magnitudes
// whose sum over 120 values just passes a multiple of 2^32, where a 32-bit
// running sum of 120 magnitudes would wrap to a small value.
TEST_F(Dct4Avx2, AlignedInputsPastThePlainLimitsMatchPortable) {
  std::vector<Word32> magnitudes;
  for (int bits = 23; bits <= 29; ++bits) {
    magnitudes.push_back((Word32{1} << bits) + 1);
    magnitudes.push_back((Word32{1} << (bits + 1)) - 1);
    magnitudes.push_back(Word32{1} << (bits + 1));
  }
  for (std::int64_t k = 1; k <= 59; ++k) magnitudes.push_back(static_cast<Word32>(((k << 32) + 119) / 120));
  Word32 in[960];
  bool saw_overflow = false;
  for (Word32 magnitude : magnitudes) {
    for (int flip = 0; flip < 4; ++flip) {
      aligned_pattern(960, dct960_pre_twiddle.data(), magnitude, flip, in);
      expect_same(in, "aligned past the limits");
      saw_overflow = saw_overflow || run(in, dct4_960).overflow != 0;
      for (int b = 0; b < 4; ++b) aligned_pattern(240, dct240_pre_twiddle.data(), magnitude, flip, in + 240 * b);
      Word32 want[960], got[960];
      Overflow = 0;
      dct4_240_x4(in, want);
      const Flag want_flag = Overflow;
      Overflow = 0;
      dct4_240_x4_avx2(in, got);
      EXPECT_EQ(Overflow, want_flag) << "short, magnitude " << magnitude;
      Overflow = 0;
      for (int i = 0; i < 960; ++i) ASSERT_EQ(got[i], want[i]) << "short, magnitude " << magnitude << ", output " << i;
    }
  }
  EXPECT_TRUE(saw_overflow);
}

// Four 240-point transforms side by side against four portable ones; the
// blocks get different scales so that a lane mix-up shows.
TEST_F(Dct4Avx2, FourShortTransformsMatchPortable) {
  std::mt19937 rng(240);
  Word32 in[960];
  for (int bits = 2; bits <= 32; bits += 3) {
    for (int b = 0; b < 4; ++b) {
      const int block_bits = bits - 2 * b < 2 ? 2 : bits - 2 * b;
      const std::int64_t span = std::int64_t{1} << (block_bits - 1);
      std::uniform_int_distribution<std::int64_t> d(-span, span - 1);
      for (int i = 0; i < 240; ++i) in[240 * b + i] = static_cast<Word32>(d(rng));
    }
    Word32 want[960], got[960];
    Overflow = 0;
    dct4_240_x4(in, want);
    const Flag want_flag = Overflow;
    Overflow = 0;
    dct4_240_x4_avx2(in, got);
    const Flag got_flag = Overflow;
    Overflow = 0;
    for (int i = 0; i < 960; ++i)
      ASSERT_EQ(got[i], want[i]) << bits << " bits: block " << i / 240 << ", output " << i % 240;
    EXPECT_EQ(got_flag, want_flag) << bits << " bits";
  }
  for (Word32 v : {MIN_32, MAX_32}) {
    for (int i = 0; i < 960; ++i) in[i] = (i / 240 == 2) ? v : (i & 1 ? MIN_32 : 7);
    Word32 want[960], got[960];
    Overflow = 0;
    dct4_240_x4(in, want);
    const Flag want_flag = Overflow;
    Overflow = 0;
    dct4_240_x4_avx2(in, got);
    EXPECT_EQ(Overflow, want_flag);
    Overflow = 0;
    for (int i = 0; i < 960; ++i) ASSERT_EQ(got[i], want[i]) << "extreme block, output " << i;
  }
}

}  // namespace
