// The AVX2 block-scaling loops, unfoldings and overlap-add against their
// portable twins: identical values and Overflow flag, on random blocks of every
// scale, on saturating shifts and on the operators' limit cases.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "frame/block_scaling.h"
#include "frame/kernel_sets.h"
#include "transform/inverse_transform.h"

namespace {

class BlockKernelsAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  }
};

std::vector<Word32> random_block(std::mt19937 &rng, int n, int bits) {
  const std::int64_t span = std::int64_t{1} << (bits - 1);
  std::uniform_int_distribution<std::int64_t> d(-span, span - 1);
  std::vector<Word32> v(n);
  for (Word32 &x : v) x = static_cast<Word32>(d(rng));
  return v;
}

// Blocks that put the limit values at every lane position and in the tail.
std::vector<std::vector<Word32>> extreme_blocks() {
  std::vector<std::vector<Word32>> blocks;
  const Word32 limits[] = {MIN_32, MAX_32, MIN_32 + 1, -1, 0, 1, 0x00FFFFFF, -0x01000000};
  for (Word32 a : limits) {
    std::vector<Word32> v(37, 0);
    for (int i = 0; i < 37; i += 3) v[i] = a;
    blocks.push_back(v);
    blocks.push_back(std::vector<Word32>(960, a));
  }
  return blocks;
}

void expect_same_shift(const std::vector<Word32> &in, Word16 shift, bool left) {
  std::vector<Word32> want = in, got = in;
  Overflow = 0;
  left ? block_shl(want.data(), static_cast<int>(want.size()), shift)
       : block_shr(want.data(), static_cast<int>(want.size()), shift);
  const Flag want_flag = Overflow;
  Overflow = 0;
  left ? block_shl_avx2(got.data(), static_cast<int>(got.size()), shift)
       : block_shr_avx2(got.data(), static_cast<int>(got.size()), shift);
  const Flag got_flag = Overflow;
  Overflow = 0;
  ASSERT_EQ(got, want) << (left ? "L_shl by " : "L_shr by ") << shift;
  ASSERT_EQ(got_flag, want_flag) << (left ? "L_shl by " : "L_shr by ") << shift;
}

TEST_F(BlockKernelsAvx2, ShiftsMatchPortableForEveryCount) {
  std::mt19937 rng(7);
  std::vector<std::vector<Word32>> blocks = extreme_blocks();
  for (int bits : {1, 8, 17, 24, 31, 32}) blocks.push_back(random_block(rng, 960, bits));
  blocks.push_back(random_block(rng, 1920, 28));
  blocks.push_back(random_block(rng, 13, 30));  // shorter than one register and with a tail
  const Word16 counts[] = {MIN_16, -32767, -100, -33, -32, -31, -30, -8, -7, -1,  0,
                           1,      2,      7,    8,   24,  30,  31,  32, 33, 100, MAX_16};
  for (const auto &b : blocks) {
    for (Word16 s : counts) {
      expect_same_shift(b, s, true);
      expect_same_shift(b, s, false);
    }
  }
}

// The shift that also writes a copy: the block and the copy both hold what
// the portable shift leaves in the block, with its flag, and nothing past n
// of the copy is written.
TEST_F(BlockKernelsAvx2, ShiftWithCopyMatchesPortableShift) {
  std::mt19937 rng(8);
  std::vector<std::vector<Word32>> blocks = extreme_blocks();
  for (int bits : {1, 17, 31, 32}) blocks.push_back(random_block(rng, 800, bits));
  blocks.push_back(random_block(rng, 13, 30));
  const Word16 counts[] = {MIN_16, -33, -32, -31, -7, -1, 0, 1, 7, 24, 31, 32, 33, MAX_16};
  constexpr Word32 kUntouched = 0x5A5A5A5A;
  for (const auto &b : blocks) {
    const int n = static_cast<int>(b.size());
    for (Word16 s : counts) {
      std::vector<Word32> want = b;
      Overflow = 0;
      block_shl(want.data(), n, s);
      const Flag want_flag = Overflow;
      for (bool portable : {true, false}) {
        std::vector<Word32> got = b, copy(n + 9, kUntouched);
        Overflow = 0;
        portable ? block_shl_copy(got.data(), n, s, copy.data()) : block_shl_copy_avx2(got.data(), n, s, copy.data());
        const Flag got_flag = Overflow;
        ASSERT_EQ(got, want) << "L_shl by " << s << (portable ? ", portable" : ", AVX2");
        for (int i = 0; i < n; ++i) ASSERT_EQ(copy[i], want[i]) << "copy " << i << ", L_shl by " << s;
        for (int i = n; i < n + 9; ++i) ASSERT_EQ(copy[i], kUntouched) << "written past the block";
        ASSERT_EQ(got_flag, want_flag) << "L_shl by " << s;
      }
    }
  }
  Overflow = 0;
}

void expect_same_overlap_add(const std::vector<Word32> &aliased, const std::vector<Word32> &history, const char *what) {
  std::vector<Word32> h_want = history, h_got = history;
  Word16 s_want[960], s_got[960];
  Overflow = 0;
  g719_scaled_overlap_add(aliased.data(), 0, s_want, h_want.data());
  const Flag f_want = Overflow;
  Overflow = 0;
  g719_scaled_overlap_add_avx2(aliased.data(), 0, s_got, h_got.data());
  const Flag f_got = Overflow;
  Overflow = 0;
  for (int i = 0; i < 960; ++i) ASSERT_EQ(s_got[i], s_want[i]) << what << ": sample " << i;
  ASSERT_EQ(h_got, h_want) << what;
  EXPECT_EQ(f_got, f_want) << what;
}

TEST_F(BlockKernelsAvx2, OverlapAddMatchesPortable) {
  std::mt19937 rng(1920);
  bool saw_overflow = false;
  for (int bits = 8; bits <= 32; bits += 2) {
    const auto aliased = random_block(rng, 1920, bits);
    const auto history = random_block(rng, 960, bits);
    expect_same_overlap_add(aliased, history, "random");
    std::vector<Word32> h = history;
    Word16 s[960];
    Overflow = 0;
    g719_scaled_overlap_add(aliased.data(), 0, s, h.data());
    saw_overflow = saw_overflow || Overflow != 0;
    Overflow = 0;
  }
  EXPECT_TRUE(saw_overflow);  // the sweep reaches the 16-bit clamp
  for (Word32 a : {MIN_32, MAX_32, Word32{0}, Word32{-1}, Word32{0x00FFFF00}}) {
    for (Word32 h : {MIN_32, MAX_32, Word32{0}, Word32{-32768}, Word32{32767}}) {
      expect_same_overlap_add(std::vector<Word32>(1920, a), std::vector<Word32>(960, h), "constant");
    }
  }
  // Sums on both sides of the limits where the shift by 7 and the rounding
  // start to saturate (the aliased half is 0, so the sum is the history).
  std::vector<Word32> edges(960, 0);
  const Word32 limits[] = {(1 << 24) - 258, (1 << 24) - 257, (1 << 24) - 256, (1 << 24) - 1, 1 << 24,
                           -(1 << 24) + 1, -(1 << 24),     -(1 << 24) - 1,  255,            256,
                           -256,           -257,           511,             -511,           MAX_32};
  for (std::size_t k = 0; k < std::size(limits); ++k) {
    std::fill(edges.begin(), edges.end(), 0);
    edges[k * 61] = limits[k];
    expect_same_overlap_add(std::vector<Word32>(1920, 0), edges, "limit");
  }
}

// A sum that wraps in 32 bits in one lane only, among ordinary ones, at
// positions across the block: the kernel's plain sums must give way to the
// saturating ones for that frame, and every other sample stays the same.
TEST_F(BlockKernelsAvx2, OverlapAddWithOneWrappingSum) {
  std::mt19937 rng(4311);
  for (int position : {0, 7, 8, 15, 16, 333, 479, 480, 951, 959}) {
    for (Word32 sign : {1, -1}) {
      auto aliased = random_block(rng, 1920, 22);
      auto history = random_block(rng, 960, 22);
      aliased[position] = sign > 0 ? MAX_32 : MIN_32;
      history[position] = sign > 0 ? MAX_32 - 5 : MIN_32 + 5;
      expect_same_overlap_add(aliased, history, "one wrapping sum");
    }
  }
}

// The halving fused into the unfolding (portable and AVX2) equals the two
// steps, with the limit values at every position class.
TEST_F(BlockKernelsAvx2, HalvedUnfoldingEqualsShiftThenUnfold) {
  std::mt19937 rng(481);
  std::vector<std::vector<Word32>> blocks;
  for (int bits : {2, 20, 32}) blocks.push_back(random_block(rng, 960, bits));
  for (Word32 a : {MIN_32, MAX_32, Word32{-1}, Word32{1}, Word32{-3}}) blocks.push_back(std::vector<Word32>(960, a));
  for (const auto &v : blocks) {
    std::vector<Word32> halved = v;
    Word32 want[1920], got[1920], fused[1920];
    Overflow = 0;
    block_shr(halved.data(), 960, 1);
    unfold_aliased(halved.data(), want);
    ASSERT_EQ(Overflow, 0);
    unfold_halved_aliased(v.data(), fused);
    unfold_halved_aliased_avx2(v.data(), got);
    ASSERT_EQ(Overflow, 0);
    for (int i = 0; i < 1920; ++i) {
      ASSERT_EQ(fused[i], want[i]) << "aliased " << i << ", first input " << v[0];
      ASSERT_EQ(got[i], want[i]) << "aliased " << i << ", first input " << v[0];
    }
  }
}

// The fused scaling: the AVX2 pass equals the portable one, and both equal
// the separate block shift followed by the overlap-add, for right shifts,
// saturating left shifts and the counts where the operators' limits apply.
TEST_F(BlockKernelsAvx2, ScaledOverlapAddEqualsShiftThenOverlapAdd) {
  std::mt19937 rng(93);
  const Word16 shifts[] = {0, 1, 7, 15, 30, 31, 32, 40, MAX_16, -1, -7, -8, -31, -32, -33, MIN_16};
  for (Word16 shift : shifts) {
    for (int bits : {4, 18, 25, 32}) {
      const auto aliased = random_block(rng, 1920, bits);
      const auto history = random_block(rng, 960, bits);
      std::vector<Word32> shifted_block = aliased, h_sep = history, h_port = history, h_vec = history;
      Word16 s_sep[960], s_port[960], s_vec[960];
      Overflow = 0;
      block_shr(shifted_block.data(), 1920, shift);
      g719_scaled_overlap_add(shifted_block.data(), 0, s_sep, h_sep.data());
      const Flag f_sep = Overflow;
      Overflow = 0;
      g719_scaled_overlap_add(aliased.data(), shift, s_port, h_port.data());
      const Flag f_port = Overflow;
      Overflow = 0;
      g719_scaled_overlap_add_avx2(aliased.data(), shift, s_vec, h_vec.data());
      const Flag f_vec = Overflow;
      Overflow = 0;
      for (int i = 0; i < 960; ++i) {
        ASSERT_EQ(s_port[i], s_sep[i]) << "shift " << shift << ", " << bits << " bits, sample " << i;
        ASSERT_EQ(s_vec[i], s_sep[i]) << "shift " << shift << ", " << bits << " bits, sample " << i;
      }
      ASSERT_EQ(h_port, h_sep) << "shift " << shift;
      ASSERT_EQ(h_vec, h_sep) << "shift " << shift;
      EXPECT_EQ(f_port, f_sep) << "shift " << shift;
      EXPECT_EQ(f_vec, f_sep) << "shift " << shift;
    }
  }
}

TEST_F(BlockKernelsAvx2, UnfoldingMatchesPortable) {
  std::mt19937 rng(480);
  std::vector<std::vector<Word32>> blocks;
  for (int bits : {4, 20, 32}) blocks.push_back(random_block(rng, 960, bits));
  for (Word32 a : {MIN_32, MAX_32, Word32{-1}, Word32{0}}) blocks.push_back(std::vector<Word32>(960, a));
  std::vector<Word32> edges(960, 3);
  for (int i : {0, 7, 8, 471, 472, 479, 480, 487, 951, 952, 959}) edges[i] = MIN_32;  // negated at every position class
  blocks.push_back(edges);
  for (const auto &v : blocks) {
    Word32 want[1920], got[1920];
    Overflow = 0;
    unfold_aliased(v.data(), want);
    const Flag want_flag = Overflow;
    Overflow = 0;
    unfold_aliased_avx2(v.data(), got);
    const Flag got_flag = Overflow;
    Overflow = 0;
    for (int i = 0; i < 1920; ++i) ASSERT_EQ(got[i], want[i]) << "aliased " << i;
    EXPECT_EQ(got_flag, want_flag);
  }
}

}  // namespace
