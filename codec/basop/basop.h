// Saturating 16/32-bit fixed-point operators (the ITU-T G.191 set).
//
// Every numeric step of the codec is written with these operators; their
// exact rounding and saturation define the codec's results, so each one is a
// contract, not an approximation. They are header-only inline functions
// because they run tens of thousands of times per frame.
//
// Only the operators the codec calls are defined.
//
// Flags: `Overflow` is set to 1 by every operator that clamps its result and
// is never cleared by ordinary operators; `Carry` is touched only by the carry
// arithmetic (L_add_c). Both are thread-local, so codec instances running on
// different threads never see each other's flag changes.
//
// Arguments are taken at their declared width: a Word16 parameter receives
// the low 16 bits of whatever the caller computed, sign-extended.
#pragma once

#include <cstdint>

using Word16 = std::int16_t;
using Word32 = std::int32_t;
using UWord32 = std::uint32_t;
using Flag = std::int32_t;

inline constexpr Word16 MAX_16 = 32767;
inline constexpr Word16 MIN_16 = -32768;
inline constexpr Word32 MAX_32 = 2147483647;
inline constexpr Word32 MIN_32 = -2147483647 - 1;

// Status flags, per thread. Constant-initialised, so access needs no TLS
// wrapper call. The initial-exec model makes every access a single
// %fs-relative load or store even when the codec is linked into a shared
// module (the default model for position-independent code would call
// __tls_get_addr for every operator that touches a flag); the two flags take
// 8 bytes of the static TLS block that the loader reserves for such modules.
#define G719_FLAG_TLS __attribute__((tls_model("initial-exec")))
extern constinit thread_local Flag Overflow G719_FLAG_TLS;
extern constinit thread_local Flag Carry G719_FLAG_TLS;

namespace basop_detail {
// Precondition failures of the division; they print and end the process.
[[noreturn]] void div_s_error(Word16 num, Word16 den);
[[noreturn]] void div_s_by_zero();
}  // namespace basop_detail

// ---------------------------------------------------------------- 16 bit

// Clamp a 32-bit value to [MIN_16, MAX_16]; sets Overflow when it clamps.
static inline Word16 saturate(Word32 L) {
  if (L > MAX_16) {
    Overflow = 1;
    return MAX_16;
  }
  if (L < MIN_16) {
    Overflow = 1;
    return MIN_16;
  }
  return static_cast<Word16>(L);
}

// a + b, saturated.
static inline Word16 add(Word16 a, Word16 b) { return saturate(static_cast<Word32>(a) + b); }

// a - b, saturated.
static inline Word16 sub(Word16 a, Word16 b) { return saturate(static_cast<Word32>(a) - b); }

// |a|; MIN_16 gives MAX_16 without touching Overflow.
static inline Word16 abs_s(Word16 a) {
  if (a == MIN_16) return MAX_16;
  return static_cast<Word16>(a < 0 ? -a : a);
}

static inline Word16 shr(Word16 a, Word16 n);

// a << n with saturation (Overflow on clamp); a negative n shifts right by
// -max(n, -16).
static inline Word16 shl(Word16 a, Word16 n) {
  if (n < 0) {
    const Word16 m = n < -16 ? Word16{16} : static_cast<Word16>(-n);
    return shr(a, m);
  }
  if (a == 0) return 0;
  if (n > 15) {
    Overflow = 1;
    return a > 0 ? MAX_16 : MIN_16;
  }
  const Word32 r = static_cast<Word32>(static_cast<UWord32>(static_cast<Word32>(a)) << n);
  if (r != static_cast<Word16>(r)) {
    Overflow = 1;
    return a > 0 ? MAX_16 : MIN_16;
  }
  return static_cast<Word16>(r);
}

// Arithmetic a >> n (floor); n >= 15 gives 0 or -1; a negative n shifts left
// by -max(n, -16) through shl.
static inline Word16 shr(Word16 a, Word16 n) {
  if (n < 0) {
    const Word16 m = n < -16 ? Word16{16} : static_cast<Word16>(-n);
    return shl(a, m);
  }
  if (n >= 15) return static_cast<Word16>(a < 0 ? -1 : 0);
  return static_cast<Word16>(a >> n);
}

// Right shift with rounding: shr(a, n) plus bit n-1 of a; n > 15 gives 0. A
// negative n shifts left through shl without rounding.
static inline Word16 shr_r(Word16 a, Word16 n) {
  if (n > 15) return 0;
  Word16 r = shr(a, n);
  if (n > 0 && ((a >> (n - 1)) & 1) != 0) r = static_cast<Word16>(r + 1);
  return r;
}

// (a*b) >> 15 (floor), saturated: Q15 x Q15 -> Q15.
static inline Word16 mult(Word16 a, Word16 b) {
  return saturate((static_cast<Word32>(a) * b) >> 15);
}

// High 16 bits of L (arithmetic).
static inline Word16 extract_h(Word32 L) { return static_cast<Word16>(L >> 16); }

// Low 16 bits of L.
static inline Word16 extract_l(Word32 L) { return static_cast<Word16>(L); }

// Number of left shifts that normalise a into [0x4000, 0x7FFF] (or its
// negative mirror); 0 for 0, 15 for -1, 0 for MIN_16.
static inline Word16 norm_s(Word16 a) {
  if (a == 0) return 0;
  if (a == -1) return 15;
  const UWord32 v = static_cast<UWord32>(a < 0 ? ~static_cast<Word32>(a) : static_cast<Word32>(a));
  return static_cast<Word16>(__builtin_clz(v) - 17);
}

// ---------------------------------------------------------------- 32 bit

// L1 + L2, saturated towards the sign of L1; sets Overflow on clamp.
static inline Word32 L_add(Word32 L1, Word32 L2) {
  Word32 r;
  if (__builtin_add_overflow(L1, L2, &r)) {
    Overflow = 1;
    return L1 < 0 ? MIN_32 : MAX_32;
  }
  return r;
}

// L1 - L2, saturated towards the sign of L1; sets Overflow on clamp.
static inline Word32 L_sub(Word32 L1, Word32 L2) {
  Word32 r;
  if (__builtin_sub_overflow(L1, L2, &r)) {
    Overflow = 1;
    return L1 < 0 ? MIN_32 : MAX_32;
  }
  return r;
}

// -L; MIN_32 gives MAX_32 without touching Overflow.
static inline Word32 L_negate(Word32 L) { return L == MIN_32 ? MAX_32 : -L; }

// |L|; MIN_32 gives MAX_32 without touching Overflow.
static inline Word32 L_abs(Word32 L) {
  if (L == MIN_32) return MAX_32;
  return L < 0 ? -L : L;
}

// 2*a*b (Q15 x Q15 -> Q31); -32768 * -32768 gives MAX_32 and sets Overflow.
static inline Word32 L_mult(Word16 a, Word16 b) {
  const Word32 p = static_cast<Word32>(a) * b;
  if (p == 0x40000000) {
    Overflow = 1;
    return MAX_32;
  }
  return p * 2;
}

// Plain a*b; cannot overflow.
static inline Word32 L_mult0(Word16 a, Word16 b) { return static_cast<Word32>(a) * b; }

// L_add(L, a*b).
static inline Word32 L_mac0(Word32 L, Word16 a, Word16 b) { return L_add(L, L_mult0(a, b)); }

// L_sub(L, a*b).
static inline Word32 L_msu0(Word32 L, Word16 a, Word16 b) { return L_sub(L, L_mult0(a, b)); }

// Number of left shifts that normalise L into [2^30, 2^31) (or its negative
// mirror); 0 for 0, 31 for -1, 0 for MIN_32.
static inline Word16 norm_l(Word32 L) {
  if (L == 0) return 0;
  if (L == -1) return 31;
  const UWord32 v = static_cast<UWord32>(L < 0 ? ~L : L);
  return static_cast<Word16>(__builtin_clz(v) - 1);
}

static inline Word32 L_shr(Word32 L, Word16 n);

// L << n with saturation (Overflow on clamp); n <= 0 shifts right by
// -max(n, -32). Equivalent to n single-bit steps that stop at the first one
// that would leave the 32-bit range.
static inline Word32 L_shl(Word32 L, Word16 n) {
  if (n <= 0) {
    const Word16 m = n < -32 ? Word16{32} : static_cast<Word16>(-n);
    return L_shr(L, m);
  }
  if (L == 0) return 0;
  if (n > norm_l(L)) {
    Overflow = 1;
    return L > 0 ? MAX_32 : MIN_32;
  }
  return static_cast<Word32>(static_cast<UWord32>(L) << n);
}

// Arithmetic L >> n (floor); n >= 31 gives 0 or -1; a negative n shifts left
// by -max(n, -32) through L_shl.
static inline Word32 L_shr(Word32 L, Word16 n) {
  if (n < 0) {
    const Word16 m = n < -32 ? Word16{32} : static_cast<Word16>(-n);
    return L_shl(L, m);
  }
  if (n >= 31) return L < 0 ? -1 : 0;
  return L >> n;
}

// Right shift with rounding: L_shr(L, n) plus bit n-1 of L; n > 31 gives 0.
static inline Word32 L_shr_r(Word32 L, Word16 n) {
  if (n > 31) return 0;
  Word32 r = L_shr(L, n);
  if (n > 0 && ((L >> (n - 1)) & 1) != 0) r = static_cast<Word32>(static_cast<UWord32>(r) + 1u);
  return r;
}

// Round the high half: extract_h(L_add(L, 0x8000)).
static inline Word16 round_fx(Word32 L) { return extract_h(L_add(L, 32768)); }

// L * n / 32768 keeping L's Q format: the unsigned low half times n, shifted
// right by 15 (floor), plus L_mult(extract_h(L), n) through L_add.
static inline Word32 L_mls(Word32 L, Word16 n) {
  const Word32 lo = static_cast<Word32>(static_cast<UWord32>(L) & 0xFFFFu) * n;
  return L_add(lo >> 15, L_mult(extract_h(L), n));
}

// ---------------------------------------------------------------- carry arithmetic

// L1 + L2 + Carry, wrapping; rewrites Overflow and Carry.
static inline Word32 L_add_c(Word32 L1, Word32 L2) {
  const Word32 test = static_cast<Word32>(static_cast<UWord32>(L1) + static_cast<UWord32>(L2));
  const Word32 out = static_cast<Word32>(static_cast<UWord32>(test) + static_cast<UWord32>(Carry));
  Flag k;
  if (L1 > 0 && L2 > 0 && test < 0) {
    Overflow = 1;
    k = 0;
  } else if (L1 < 0 && L2 < 0) {
    Overflow = test >= 0 ? 1 : 0;
    k = 1;
  } else if (((L1 ^ L2) < 0) && test >= 0) {
    Overflow = 0;
    k = 1;
  } else {
    Overflow = 0;
    k = 0;
  }
  if (Carry != 0) {
    if (test == MAX_32) {
      Overflow = 1;
      Carry = k;
    } else if (test == -1) {
      Carry = 1;
    } else {
      Carry = k;
    }
  } else {
    Carry = k;
  }
  return out;
}

// ---------------------------------------------------------------- division

// Q15 quotient num/den by 15 steps of restoring division. Requires
// 0 <= num <= den and den > 0; num == den gives MAX_16. A violation prints a
// message to standard output and aborts.
static inline Word16 div_s(Word16 num, Word16 den) {
  if (num > den || num < 0 || den < 0) basop_detail::div_s_error(num, den);
  if (den == 0) basop_detail::div_s_by_zero();
  if (num == 0) return 0;
  if (num == den) return MAX_16;
  Word32 r = num;
  Word16 q = 0;
  for (int i = 0; i < 15; ++i) {
    q = static_cast<Word16>(q << 1);
    r <<= 1;
    if (r >= den) {
      r = L_sub(r, den);
      q = static_cast<Word16>(q + 1);
    }
  }
  return q;
}

