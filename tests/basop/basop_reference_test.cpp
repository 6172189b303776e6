// Every 16/32-bit operator against a plain wide-integer formulation, over
// all pairs of extreme operands and many random ones. The references are
// written the slow, obvious way (64-bit arithmetic, single-bit shift loops)
// so that a shortcut in the fast operators cannot hide behind them.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "basop/basop.h"

namespace {

using i64 = std::int64_t;

struct Ref {
  bool ovf = false;

  Word16 sat16(i64 v) {
    if (v > 32767) {
      ovf = true;
      return 32767;
    }
    if (v < -32768) {
      ovf = true;
      return -32768;
    }
    return static_cast<Word16>(v);
  }
  Word32 sat32_by_first(i64 v, Word32 first) {
    if (v > MAX_32 || v < MIN_32) {
      ovf = true;
      return first < 0 ? MIN_32 : MAX_32;
    }
    return static_cast<Word32>(v);
  }
  static i64 floor_div_pow2(i64 v, int n) {
    const i64 d = i64{1} << n;
    i64 q = v / d;
    if (v % d != 0 && v < 0) q -= 1;
    return q;
  }

  Word16 shl(Word16 a, Word16 n) {
    if (n < 0) return shr(a, static_cast<Word16>(-std::max<int>(n, -16)));
    if (a == 0) return 0;
    if (n > 15) {
      ovf = true;
      return a > 0 ? 32767 : -32768;
    }
    const i64 r = static_cast<i64>(a) * (i64{1} << n);
    if (r > 32767 || r < -32768) {
      ovf = true;
      return a > 0 ? 32767 : -32768;
    }
    return static_cast<Word16>(r);
  }
  Word16 shr(Word16 a, Word16 n) {
    if (n < 0) return shl(a, static_cast<Word16>(-std::max<int>(n, -16)));
    if (n >= 15) return a < 0 ? -1 : 0;
    return static_cast<Word16>(floor_div_pow2(a, n));
  }
  Word32 L_shl(Word32 L, Word16 n) {
    if (n <= 0) return L_shr(L, static_cast<Word16>(-std::max<int>(n, -32)));
    i64 v = L;
    for (int i = 0; i < n; ++i) {
      if (v > 0x3FFFFFFF) {
        ovf = true;
        return MAX_32;
      }
      if (v < -0x40000000) {
        ovf = true;
        return MIN_32;
      }
      v *= 2;
    }
    return static_cast<Word32>(v);
  }
  Word32 L_shr(Word32 L, Word16 n) {
    if (n < 0) return L_shl(L, static_cast<Word16>(-std::max<int>(n, -32)));
    if (n >= 31) return L < 0 ? -1 : 0;
    return static_cast<Word32>(floor_div_pow2(L, n));
  }
  static Word16 norm_s(Word16 a) {
    if (a == 0) return 0;
    if (a == -1) return 15;
    i64 v = a < 0 ? ~static_cast<i64>(a) : a;
    Word16 n = 0;
    while (v < 0x4000) {
      v *= 2;
      ++n;
    }
    return n;
  }
  static Word16 norm_l(Word32 L) {
    if (L == 0) return 0;
    if (L == -1) return 31;
    i64 v = L < 0 ? ~static_cast<i64>(L) : L;
    Word16 n = 0;
    while (v < 0x40000000) {
      v *= 2;
      ++n;
    }
    return n;
  }
};

std::vector<Word16> extremes16() {
  std::vector<Word16> v = {0, 1, -1, 2, -2, 32767, -32768, 32766, -32767, 16384, -16384, 16383, -16383, 3, -3};
  for (int k = 0; k < 15; ++k) {
    v.push_back(static_cast<Word16>(1 << k));
    v.push_back(static_cast<Word16>(-(1 << k)));
    v.push_back(static_cast<Word16>((1 << k) - 1));
  }
  return v;
}

std::vector<Word32> extremes32() {
  std::vector<Word32> v = {0, 1, -1, 2, -2, MAX_32, MIN_32, MAX_32 - 1, MIN_32 + 1, 0x3FFFFFFF, -0x40000000, -0x40000001, 0x40000000, 32768, -32768, 65535, 65536, -65536};
  for (int k = 0; k < 31; ++k) {
    v.push_back(static_cast<Word32>(1u << k));
    v.push_back(-static_cast<Word32>(1u << k));
    v.push_back(static_cast<Word32>((1u << k) - 1));
  }
  return v;
}

std::vector<Word16> shift_counts() {
  std::vector<Word16> v;
  for (int n = -40; n <= 40; ++n) v.push_back(static_cast<Word16>(n));
  v.push_back(-32768);
  v.push_back(32767);
  return v;
}

class Operators : public ::testing::Test {
 protected:
  std::mt19937 rng{12345};
  std::vector<Word16> a16 = extremes16();
  std::vector<Word32> a32 = extremes32();

  void SetUp() override {
    std::uniform_int_distribution<int> d16(-32768, 32767);
    std::uniform_int_distribution<Word32> d32(MIN_32, MAX_32);
    for (int i = 0; i < 300; ++i) a16.push_back(static_cast<Word16>(d16(rng)));
    for (int i = 0; i < 300; ++i) a32.push_back(d32(rng));
  }
};

#define CHECK_AGAINST(actual_expr, ref_expr, ...)                 \
  do {                                                            \
    Ref ref_;                                                     \
    Overflow = 0;                                                 \
    const auto got_ = (actual_expr);                              \
    const bool got_ovf_ = Overflow != 0;                          \
    Overflow = 0;                                                 \
    const auto want_ = ref_.ref_expr;                             \
    ASSERT_EQ(got_, want_) << #actual_expr << " " << __VA_ARGS__; \
    ASSERT_EQ(got_ovf_, ref_.ovf) << #actual_expr << " Overflow " << __VA_ARGS__; \
  } while (0)

TEST_F(Operators, SixteenBitPairs) {
  for (Word16 a : a16) {
    for (Word16 b : a16) {
      CHECK_AGAINST(add(a, b), sat16(i64{a} + b), a << "," << b);
      CHECK_AGAINST(sub(a, b), sat16(i64{a} - b), a << "," << b);
      CHECK_AGAINST(mult(a, b), sat16(Ref::floor_div_pow2(i64{a} * b, 15)), a << "," << b);
      CHECK_AGAINST(L_mult(a, b), sat32_by_first(2 * i64{a} * b, 0), a << "," << b);
      CHECK_AGAINST(L_mult0(a, b), sat32_by_first(i64{a} * b, 0), a << "," << b);
    }
    ASSERT_EQ(abs_s(a), a == -32768 ? 32767 : (a < 0 ? -a : a));
    ASSERT_EQ(norm_s(a), Ref::norm_s(a)) << a;
  }
}

TEST_F(Operators, SixteenBitShifts) {
  for (Word16 a : a16) {
    for (Word16 n : shift_counts()) {
      CHECK_AGAINST(shl(a, n), shl(a, n), a << "," << n);
      CHECK_AGAINST(shr(a, n), shr(a, n), a << "," << n);
      Ref r;
      Word16 want = n > 15 ? Word16{0} : r.shr(a, n);
      if (n > 0 && n <= 15 && ((static_cast<i64>(a) >> (n - 1)) & 1)) want = static_cast<Word16>(want + 1);
      Overflow = 0;
      ASSERT_EQ(shr_r(a, n), want) << a << "," << n;
      ASSERT_EQ(Overflow != 0, r.ovf) << a << "," << n;
      Overflow = 0;
    }
  }
}

TEST_F(Operators, ThirtyTwoBitPairs) {
  for (Word32 x : a32) {
    for (Word32 y : a32) {
      CHECK_AGAINST(L_add(x, y), sat32_by_first(i64{x} + y, x), x << "," << y);
      CHECK_AGAINST(L_sub(x, y), sat32_by_first(i64{x} - y, x), x << "," << y);
    }
    ASSERT_EQ(L_abs(x), x == MIN_32 ? MAX_32 : (x < 0 ? -x : x));
    ASSERT_EQ(L_negate(x), x == MIN_32 ? MAX_32 : -x);
    ASSERT_EQ(norm_l(x), Ref::norm_l(x)) << x;
    ASSERT_EQ(extract_h(x), static_cast<Word16>(Ref::floor_div_pow2(x, 16)));
    ASSERT_EQ(extract_l(x), static_cast<Word16>(static_cast<std::uint32_t>(x) & 0xFFFF));
    Overflow = 0;
    Ref r;
    const Word16 want_round = static_cast<Word16>(Ref::floor_div_pow2(r.sat32_by_first(i64{x} + 32768, x), 16));
    ASSERT_EQ(round_fx(x), want_round) << x;
    ASSERT_EQ(Overflow != 0, r.ovf) << x;
    Overflow = 0;
  }
}

TEST_F(Operators, ThirtyTwoBitShifts) {
  for (Word32 x : a32) {
    for (Word16 n : shift_counts()) {
      CHECK_AGAINST(L_shl(x, n), L_shl(x, n), x << "," << n);
      CHECK_AGAINST(L_shr(x, n), L_shr(x, n), x << "," << n);
      Ref r;
      Word32 want = n > 31 ? 0 : r.L_shr(x, n);
      if (n > 0 && n <= 31 && ((static_cast<i64>(x) >> (n - 1)) & 1)) want = static_cast<Word32>(i64{want} + 1);
      Overflow = 0;
      ASSERT_EQ(L_shr_r(x, n), want) << x << "," << n;
      ASSERT_EQ(Overflow != 0, r.ovf) << x << "," << n;
      Overflow = 0;
    }
  }
}

TEST_F(Operators, MixedWidth) {
  for (Word32 x : a32) {
    for (Word16 a : a16) {
      // L_mls: unsigned low half times n, floored by 2^15, plus 2*high*n, saturated as an L_add.
      Ref r;
      const i64 lo = Ref::floor_div_pow2(static_cast<i64>(static_cast<std::uint32_t>(x) & 0xFFFF) * a, 15);
      const Word32 hi = r.sat32_by_first(2 * Ref::floor_div_pow2(x, 16) * a, 0);
      const Word32 want = r.sat32_by_first(lo + hi, static_cast<Word32>(lo));
      Overflow = 0;
      ASSERT_EQ(L_mls(x, a), want) << x << "," << a;
      ASSERT_EQ(Overflow != 0, r.ovf) << x << "," << a;
      Overflow = 0;
      Ref m;
      const Word32 p = m.sat32_by_first(i64{a} * a, 0);
      CHECK_AGAINST(L_mac0(x, a, a), sat32_by_first(i64{x} + p, x), x << "," << a);
      CHECK_AGAINST(L_msu0(x, a, a), sat32_by_first(i64{x} - p, x), x << "," << a);
    }
  }
}

TEST_F(Operators, DivisionMatchesExactQuotient) {
  for (Word16 den : a16) {
    if (den <= 0) continue;
    for (Word16 num : a16) {
      if (num < 0 || num > den) continue;
      const Word16 want = num == den ? 32767 : static_cast<Word16>((i64{num} * 32768) / den);
      ASSERT_EQ(div_s(num, den), want) << num << "/" << den;
    }
  }
}

TEST_F(Operators, AddWithCarryMatchesWideSum) {
  // The carry chain of L_add_c over two words reproduces a 64-bit sum: the
  // double-precision accumulation the transient detector depends on.
  std::uniform_int_distribution<Word32> d32(MIN_32, MAX_32);
  for (int i = 0; i < 20000; ++i) {
    const Word32 x = d32(rng), y = d32(rng);
    const Word32 xh = d32(rng) >> 2, yh = d32(rng) >> 2;
    Carry = 0;
    const Word32 lo = L_add_c(x, y);
    const Word32 hi = L_add_c(xh, yh);
    Carry = 0;
    Overflow = 0;
    const i64 want = ((i64{xh} + yh) * (i64{1} << 32)) +
                     (static_cast<i64>(static_cast<std::uint32_t>(x)) + static_cast<std::uint32_t>(y));
    const i64 got = (i64{hi} * (i64{1} << 32)) + static_cast<std::uint32_t>(lo);
    ASSERT_EQ(got, want) << x << " " << y << " " << xh << " " << yh;
  }
}

}  // namespace
