// Transient detector: decisions, hangover and the exact double-precision
// energy bookkeeping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "transform/transient_detector.h"
#include "frame/kernel_sets.h"

namespace {

using Frame = std::vector<Word16>;

// A frame at a constant level with upward steps of 2 at the given positions.
// Each step gives exactly one filtered sample of 1 (24465 * 2 / 65536 rounds
// to 1, and the pole alone decays 1 to 0), so a sub-block's energy is
// 2 per step.
Frame stepped_frame(Word16 level, const std::vector<int> &steps) {
  Frame x(960);
  Word16 v = level;
  std::size_t next = 0;
  for (int n = 0; n < 960; ++n) {
    if (next < steps.size() && steps[next] == n) {
      v = static_cast<Word16>(v + 2);
      ++next;
    }
    x[n] = v;
  }
  return x;
}

std::int64_t long_energy(const G719EncoderState &s) {
  return (static_cast<std::int64_t>(s.long_energy_hi) << 31) + s.long_energy_lo;
}

TEST(TransientDetector, SilenceIsNeverTransientAndLeavesTheStateZero) {
  G719EncoderState s{};
  const Frame zero(960, 0);
  for (int f = 0; f < 5; ++f) EXPECT_EQ(g719_detect_transient<PortableKernels>(zero.data(), &s), 0) << f;
  EXPECT_EQ(s.transient_hangover, 0);
  EXPECT_EQ(s.hp_prev_out, 0);
  EXPECT_EQ(s.hp_prev_in, 0);
  EXPECT_EQ(s.long_energy_hi, 0);
  EXPECT_EQ(s.long_energy_lo, 0);
}

TEST(TransientDetector, FromZeroStateAnEnergyOfEightIsTransientAndSixIsNot) {
  {
    G719EncoderState s{};
    const Frame x = stepped_frame(0, {10, 20, 30, 40});  // energy 8 in block 0
    EXPECT_EQ(g719_detect_transient<PortableKernels>(x.data(), &s), 1);
    EXPECT_EQ(s.transient_hangover, 1);
    EXPECT_EQ(s.hp_prev_in, 8);
    EXPECT_EQ(s.hp_prev_out, 0);
  }
  {
    G719EncoderState s{};
    const Frame x = stepped_frame(0, {10, 20, 30});  // energy 6 in block 0
    EXPECT_EQ(g719_detect_transient<PortableKernels>(x.data(), &s), 0);
    EXPECT_EQ(s.transient_hangover, 0);
    // Blocks 1..3 are silent: 6 -> 1 -> 0 -> 0 -> 0.
    EXPECT_EQ(long_energy(s), 0);
  }
  {
    // Energy 6 in every block: the long-term energy goes 1, 2, 3, 3, and none
    // of the blocks reaches six times it.
    G719EncoderState s{};
    const Frame x = stepped_frame(0, {10, 20, 30, 250, 260, 270, 490, 500, 510, 730, 740, 750});
    EXPECT_EQ(g719_detect_transient<PortableKernels>(x.data(), &s), 0);
    EXPECT_EQ(s.long_energy_hi, 0);
    EXPECT_EQ(s.long_energy_lo, 3);
  }
  {
    // The long-term energy of 1 left by block 0 raises the bar for block 1:
    // an energy of 8 there is no longer transient (8 / 6 is not above 1).
    G719EncoderState s{};
    const Frame x = stepped_frame(0, {10, 20, 30, 250, 260, 270, 280});
    EXPECT_EQ(g719_detect_transient<PortableKernels>(x.data(), &s), 0);
  }
}

TEST(TransientDetector, ADetectionMarksTheNextFrameAndIsRenewedByANewOne) {
  G719EncoderState s{};
  const Frame onset = stepped_frame(0, {10, 20, 30, 40});
  const Frame flat(960, 8);  // holds the level the onset ended at
  EXPECT_EQ(g719_detect_transient<PortableKernels>(onset.data(), &s), 1);
  EXPECT_EQ(g719_detect_transient<PortableKernels>(flat.data(), &s), 1);  // hangover
  EXPECT_EQ(s.transient_hangover, 0);
  EXPECT_EQ(g719_detect_transient<PortableKernels>(flat.data(), &s), 0);
  EXPECT_EQ(g719_detect_transient<PortableKernels>(flat.data(), &s), 0);

  // Two detections in a row: the second renews the hangover.
  G719EncoderState r{};
  Frame loud(960, 0);
  for (int n = 0; n < 960; ++n) loud[n] = static_cast<Word16>((n % 2 == 0) ? 3000 : -3000);
  Frame louder = loud;
  for (int n = 720; n < 960; ++n) louder[n] = static_cast<Word16>(loud[n] * 9);
  EXPECT_EQ(g719_detect_transient<PortableKernels>(loud.data(), &r), 1);
  EXPECT_EQ(g719_detect_transient<PortableKernels>(louder.data(), &r), 1);
  EXPECT_EQ(r.transient_hangover, 1);
  EXPECT_EQ(g719_detect_transient<PortableKernels>(loud.data(), &r), 1);  // hangover of the renewal
  EXPECT_EQ(g719_detect_transient<PortableKernels>(loud.data(), &r), 0);
}

TEST(TransientDetector, AnOnsetInTheLastSubBlockIsDetected) {
  std::mt19937 rng(5);
  std::normal_distribution<double> noise(0, 300);
  G719EncoderState s{};
  Frame x(960);
  // Steady noise settles to stationary decisions.
  Word16 last = 0;
  for (int f = 0; f < 8; ++f) {
    for (auto &v : x) v = static_cast<Word16>(std::lround(noise(rng)));
    last = g719_detect_transient<PortableKernels>(x.data(), &s);
  }
  EXPECT_EQ(last, 0);
  // Same noise in blocks 0..2, ten times louder in block 3.
  for (int n = 0; n < 960; ++n) {
    const double g = n >= 720 ? 10.0 : 1.0;
    x[n] = static_cast<Word16>(std::lround(g * noise(rng)));
  }
  EXPECT_EQ(g719_detect_transient<PortableKernels>(x.data(), &s), 1);

  // From silence, a click in the last sub-block only.
  G719EncoderState q{};
  Frame click(960, 0);
  click[900] = 1000;
  EXPECT_EQ(g719_detect_transient<PortableKernels>(click.data(), &q), 1);
}

// Plain 64-bit model of the detector, for checking the (hi, lo) bookkeeping.
struct Model {
  std::int64_t y1 = 0, x1 = 0, long_term = 0;
  int hangover = 0;

  int run(const Frame &x) {
    std::int64_t y[960];
    for (int n = 0; n < 960; ++n) {
      const std::int64_t acc = 32316 * y1 + 24465 * (x[n] - x1);
      y[n] = (acc + 32768) >> 16;
      y1 = y[n];
      x1 = x[n];
    }
    bool detected = false;
    for (int j = 0; j < 4; ++j) {
      std::int64_t e = 0;
      for (int i = 0; i < 240; ++i) e += 2 * y[240 * j + i] * y[240 * j + i];
      if (e > long_term) {
        const std::int64_t hi = e >> 31;
        int shift = 0;  // brings e below 2^31, keeping hi's top bit at 30
        while ((hi >> shift) != 0) ++shift;
        const std::int64_t e31 = e >> shift;
        const std::int64_t l31 = long_term >> shift;
        if ((e31 * 5461) / 32768 > l31) detected = true;
      }
      long_term = (long_term + (long_term + e) / 2) / 2;
    }
    if (detected) {
      hangover = 1;
      return 1;
    }
    if (hangover == 1) {
      hangover = 0;
      return 1;
    }
    return 0;
  }
};

TEST(TransientDetector, LoudMaterialIsCarriedExactlyBeyondTwoToThe31) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> uni(-1, 1);
  G719EncoderState s{};
  Model model;
  bool saw_high_part = false;
  int transients = 0;
  for (int f = 0; f < 40; ++f) {
    // Loud noise with level jumps (sometimes within the frame) and quiet gaps.
    Frame x(960);
    const double base = (f % 7 == 3) ? 50.0 : 16000.0 * (0.2 + 0.8 * ((f * 37) % 11) / 10.0);
    for (int n = 0; n < 960; ++n) {
      const double g = (f % 5 == 2 && n >= 480) ? 1.0 : ((f % 5 == 2) ? 0.02 : 1.0);
      x[n] = static_cast<Word16>(std::lround(base * g * uni(rng)));
    }
    const int want = model.run(x);
    const Word16 got = g719_detect_transient<PortableKernels>(x.data(), &s);
    ASSERT_EQ(got, want) << "frame " << f;
    ASSERT_EQ(long_energy(s), model.long_term) << "frame " << f;
    ASSERT_GE(s.long_energy_lo, 0);
    EXPECT_EQ(s.hp_prev_out, model.y1);
    saw_high_part = saw_high_part || s.long_energy_hi > 0;
    transients += got;
  }
  EXPECT_TRUE(saw_high_part);
  EXPECT_GT(transients, 0);
  EXPECT_LT(transients, 40);
  // The carry arithmetic leaves the flags clear.
  EXPECT_EQ(Overflow, 0);
  EXPECT_EQ(Carry, 0);
}

TEST(TransientDetector, FullScaleExtremesStayWellDefined) {
  G719EncoderState s{};
  Frame x(960);
  for (int n = 0; n < 960; ++n) x[n] = (n % 2 == 0) ? MAX_16 : MIN_16;
  EXPECT_EQ(g719_detect_transient<PortableKernels>(x.data(), &s), 1);
  // The filtered samples settle at about +-16383 (24465 * 65535 / (65536 +
  // 32316)), so a block holds about 240 * 2 * 16383^2 = 60 * 2^31, and after
  // four blocks the long-term energy has moved 1 - (3/4)^4 = 68 % of the way.
  EXPECT_GE(s.long_energy_hi, 38);
  EXPECT_LE(s.long_energy_hi, 42);
  EXPECT_GE(s.long_energy_lo, 0);
  for (int f = 0; f < 3; ++f) g719_detect_transient<PortableKernels>(x.data(), &s);
  EXPECT_EQ(g719_detect_transient<PortableKernels>(x.data(), &s), 0);  // steady again
}

}  // namespace
