// The AVX2 480-point FFT against the portable one: identical values and an
// identical Overflow flag, on inputs from quiet to saturating.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "frame/cpu_dispatch.h"
#include "transform/fft.h"
#include "transform/fft_avx2.h"

namespace {

struct Outcome {
  Cplx z[480];
  Flag overflow;
};

Outcome run(const Cplx *input, void (*fft)(Cplx *)) {
  Outcome o;
  for (int i = 0; i < 480; ++i) o.z[i] = input[i];
  Overflow = 0;
  fft(o.z);
  o.overflow = Overflow;
  Overflow = 0;
  return o;
}

// Runs both engines on input and reports the first difference.
void expect_same(const Cplx *input, const char *what) {
  const Outcome want = run(input, fft_480_portable);
  const Outcome got = run(input, fft_480_avx2);
  for (int i = 0; i < 480; ++i) {
    ASSERT_EQ(got.z[i].re, want.z[i].re) << what << ": re of output " << i;
    ASSERT_EQ(got.z[i].im, want.z[i].im) << what << ": im of output " << i;
  }
  EXPECT_EQ(got.overflow, want.overflow) << what;
}

class FftAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_cpu_has_avx2()) GTEST_SKIP() << "processor without AVX2";
  }
};

TEST_F(FftAvx2, MatchesPortableOnRandomInputsOfEveryScale) {
  std::mt19937 rng(719);
  Cplx in[480];
  bool saw_overflow = false, saw_clean = false;
  for (int bits = 4; bits <= 32; ++bits) {
    for (int trial = 0; trial < 6; ++trial) {
      const std::int64_t span = std::int64_t{1} << (bits - 1);
      std::uniform_int_distribution<std::int64_t> d(-span, span - 1);
      for (Cplx &c : in) c = {static_cast<Word32>(d(rng)), static_cast<Word32>(d(rng))};
      expect_same(in, "random");
      const Outcome o = run(in, fft_480_portable);
      (o.overflow ? saw_overflow : saw_clean) = true;
    }
  }
  // The sweep covers both the headroom the codec keeps and saturation.
  EXPECT_TRUE(saw_overflow);
  EXPECT_TRUE(saw_clean);
}

TEST_F(FftAvx2, MatchesPortableOnExtremeValues) {
  Cplx in[480];
  const Word32 extremes[] = {MIN_32, MAX_32, MIN_32 + 1, -1, 0, 1, 0x40000000, -0x40000000, 0x7FFF8000, -0x8000};
  for (Word32 a : extremes) {
    for (Word32 b : extremes) {
      for (int i = 0; i < 480; ++i) in[i] = {i % 3 == 0 ? a : b, i % 5 == 0 ? b : a};
      expect_same(in, "constant pattern");
    }
  }
  // Alternating extremes and a lone impulse at every quarter boundary.
  for (int i = 0; i < 480; ++i) in[i] = {(i & 1) ? MIN_32 : MAX_32, (i & 2) ? MAX_32 : MIN_32};
  expect_same(in, "alternating extremes");
  for (int pos : {0, 119, 120, 239, 240, 359, 360, 479}) {
    for (Cplx &c : in) c = {0, 0};
    in[pos] = {MIN_32, MAX_32};
    expect_same(in, "impulse");
  }
}

TEST_F(FftAvx2, DispatchFollowsTheForcedPath) {
  // fft_480 gives the same result whichever path it takes; with AVX2 on a
  // full-scale input the flag comes from the vector code.
  std::mt19937 rng(48);
  std::uniform_int_distribution<Word32> d(MIN_32, MAX_32);
  Cplx in[480];
  for (Cplx &c : in) c = {d(rng), d(rng)};
  g719_force_portable(true);
  EXPECT_FALSE(g719_avx2_active());
  const Outcome portable = run(in, fft_480);
  g719_force_portable(false);
  EXPECT_TRUE(g719_avx2_active());
  const Outcome vector = run(in, fft_480);
  for (int i = 0; i < 480; ++i) {
    ASSERT_EQ(vector.z[i].re, portable.z[i].re) << i;
    ASSERT_EQ(vector.z[i].im, portable.z[i].im) << i;
  }
  EXPECT_EQ(vector.overflow, 1);
  EXPECT_EQ(portable.overflow, 1);
}

}  // namespace
