// The transient detector's high-pass filter: the plain-arithmetic path (with
// the portable and the AVX2 input terms) against the basic-operator loop.
// Same outputs, end state and Overflow flag on random frames from any start
// state, on steps at and just beyond the bound that keeps the plain path
// exact, and on full-scale frames where the operators saturate.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "frame/kernel_sets.h"
#include "transform/transient_highpass.h"

namespace {

struct Start {
  Word16 in;
  Word16 out;
};

void expect_same_filter(const std::vector<Word16> &x, Start s, const char *what) {
  ASSERT_EQ(x.size(), static_cast<size_t>(kHighpassLength));
  Word16 want[kHighpassLength];
  Word16 want_in = s.in, want_out = s.out;
  Overflow = 0;
  transient_highpass_saturating(x.data(), want, &want_in, &want_out);
  const Flag want_overflow = Overflow;

  for (const bool portable : {true, false}) {
    if (!portable && !g719_kernel_set_supported(KernelSet::kAvx2)) continue;
    Word16 got[kHighpassLength];
    Word16 in = s.in, out = s.out;
    Overflow = 0;
    portable ? transient_highpass<PortableKernels>(x.data(), got, &in, &out)
             : transient_highpass<Avx2Kernels>(x.data(), got, &in, &out);
    const Flag overflow = Overflow;
    for (int n = 0; n < kHighpassLength; ++n) {
      ASSERT_EQ(got[n], want[n]) << what << ", sample " << n << (portable ? " (portable)" : " (avx2)");
    }
    EXPECT_EQ(in, want_in) << what;
    EXPECT_EQ(out, want_out) << what;
    EXPECT_EQ(overflow, want_overflow) << what;
  }
  Overflow = 0;
}

TEST(TransientHighpassPaths, RandomFramesFromAnyState) {
  std::mt19937 rng(960);
  std::uniform_int_distribution<int> any16(MIN_16, MAX_16);
  for (int amplitude : {0, 1, 200, 5000, 16000, 22246, 32767}) {
    std::uniform_int_distribution<int> d(-amplitude, amplitude);
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<Word16> x(kHighpassLength);
      for (Word16 &v : x) v = static_cast<Word16>(d(rng));
      expect_same_filter(x, {static_cast<Word16>(any16(rng)), static_cast<Word16>(any16(rng))}, "random");
    }
  }
  // Slowly moving loud signals: large outputs, small steps.
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<Word16> x(kHighpassLength);
    int v = any16(rng);
    std::uniform_int_distribution<int> step(-3000, 3000);
    for (Word16 &s : x) {
      v += step(rng);
      if (v > MAX_16) v = MAX_16;
      if (v < MIN_16) v = MIN_16;
      s = static_cast<Word16>(v);
    }
    expect_same_filter(x, {x[0], static_cast<Word16>(any16(rng))}, "random walk");
  }
}

TEST(TransientHighpassPaths, StepsAroundTheBoundWithExtremeState) {
  // The plain path is exact for steps up to kHighpassPlainStep whatever the
  // previous output; test the first sample with every extreme previous output
  // and steps on both sides of the bound, then a sharp second step.
  for (const Word16 prev_out : {MIN_16, static_cast<Word16>(MIN_16 + 1), Word16{0}, MAX_16}) {
    for (int step = kHighpassPlainStep - 8; step <= kHighpassPlainStep + 8; ++step) {
      for (const int sign : {1, -1}) {
        const int x0 = sign > 0 ? MAX_16 : MIN_16;
        const Word16 prev_in = static_cast<Word16>(x0 - sign * step);
        std::vector<Word16> x(kHighpassLength, 0);
        x[0] = static_cast<Word16>(x0);
        x[1] = static_cast<Word16>(x0 - sign * step);
        x[500] = static_cast<Word16>(sign * 22246);
        x[501] = static_cast<Word16>(-sign * 22246);
        expect_same_filter(x, {prev_in, prev_out}, "step at the bound");
      }
    }
  }
}

TEST(TransientHighpassPaths, SaturatingFramesFallBackToTheOperators) {
  std::vector<Word16> square(kHighpassLength);
  for (int n = 0; n < kHighpassLength; ++n) square[n] = (n / 3) % 2 == 0 ? MAX_16 : MIN_16;
  expect_same_filter(square, {MIN_16, MAX_16}, "full-scale square");
  Word16 y[kHighpassLength];
  Word16 in = MIN_16, out = MAX_16;
  Overflow = 0;
  transient_highpass_saturating(square.data(), y, &in, &out);
  EXPECT_EQ(Overflow, 1) << "the square wave must saturate the filter";
  Overflow = 0;

  std::vector<Word16> alternating(kHighpassLength);
  for (int n = 0; n < kHighpassLength; ++n) alternating[n] = n % 2 == 0 ? MIN_16 : MAX_16;
  expect_same_filter(alternating, {0, 0}, "alternating full scale");
  // A single full-scale step late in the frame.
  std::vector<Word16> late(kHighpassLength, MIN_16);
  late[kHighpassLength - 1] = MAX_16;
  expect_same_filter(late, {MIN_16, MIN_16}, "late step");
}

TEST(TransientHighpassPaths, Avx2PassesEqualPortable) {
  if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  std::mt19937 rng(24465);
  std::uniform_int_distribution<int> any16(MIN_16, MAX_16);
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<Word16> x(kHighpassLength);
    for (Word16 &v : x) v = static_cast<Word16>(trial % 2 == 0 ? any16(rng) : any16(rng) / 64);
    // The largest step at a random place, also in the scalar head.
    const int at = trial % 97 == 0 ? 0 : std::uniform_int_distribution<int>(0, kHighpassLength - 1)(rng);
    if (trial % 3 == 0) x[at] = at % 2 == 0 ? MAX_16 : MIN_16;
    const Word16 prev_in = static_cast<Word16>(any16(rng));
    Word32 want[kHighpassLength], got[kHighpassLength];
    const Word32 want_step = highpass_input_terms(x.data(), prev_in, want);
    const Word32 got_step = highpass_input_terms_avx2(x.data(), prev_in, got);
    ASSERT_EQ(got_step, want_step);
    for (int n = 0; n < kHighpassLength; ++n) ASSERT_EQ(got[n], want[n]) << n;
  }
  // Narrowing of Word16 values, the limits at every lane position.
  for (int trial = 0; trial < 50; ++trial) {
    Word32 w[kHighpassLength];
    for (int n = 0; n < kHighpassLength; ++n) {
      w[n] = (n + trial) % 17 == 0 ? MIN_16 : (n + trial) % 19 == 0 ? MAX_16 : any16(rng);
    }
    Word16 want[kHighpassLength], got[kHighpassLength];
    highpass_narrow(w, want);
    highpass_narrow_avx2(w, got);
    for (int n = 0; n < kHighpassLength; ++n) ASSERT_EQ(got[n], want[n]) << n;
  }
}

}  // namespace
