#include "transform/transient_detector.h"

#include "frame/frame_geometry.h"
#include "frame/kernel_sets.h"
#include "transform/transient_highpass.h"

namespace {

// A non-negative energy hi * 2^31 + lo, lo in [0, 2^31).
struct Energy {
  Word32 hi;
  Word32 lo;
};

// a + b, exactly: the low parts are added with the carry arithmetic and an
// overflow of the low part moves into the high part.
Energy energy_add(Energy a, Energy b) {
  Energy s;
  s.hi = L_add(a.hi, b.hi);
  Overflow = 0;
  Carry = 0;
  s.lo = L_add_c(a.lo, b.lo);
  if (Overflow != 0) {
    s.hi = L_add(s.hi, 1);
    Overflow = 0;
    s.lo = s.lo & MAX_32;
  }
  return s;
}

// e / 2, truncated: the odd bit of the high part moves into the low part.
Energy energy_halve(Energy e) {
  Energy t;
  t.hi = L_shr(e.hi, 1);
  t.lo = L_shr(e.lo, 1);
  if ((e.hi & 1) != 0) t.lo = L_add(t.lo, 0x40000000);
  return t;
}

// Sum of L_mult(y, y) over one sub-block.
template <class K>
Energy block_energy(const Word16 *y) {
  const SubblockEnergy e = K::subblock_energy(y, kShortBlockLength);
  return {e.hi, e.lo};
}

// True when e exceeds six times l; both are first brought to one 31-bit
// scale set by e's high part. Only called with e > l.
bool exceeds_six_times(Energy e, Energy l) {
  const Word16 n = e.hi != 0 ? norm_l(e.hi) : Word16{31};
  const Word16 s = sub(31, n);
  const Word32 e31 = L_add(L_shl(e.hi, n), L_shr(e.lo, s));
  const Word32 l31 = L_add(L_shl(l.hi, n), L_shr(l.lo, s));
  return L_sub(L_mls(e31, 5461), l31) > 0;  // 5461 = 1/6 in Q15
}

}  // namespace

template <class K>
Word16 g719_detect_transient(const Word16 *input, G719EncoderState *state) {
  // High-pass filter: y[n] = (32316 y[n-1] + 24465 (x[n] - x[n-1])) / 65536.
  Word16 y[kHighpassLength];
  transient_highpass<K>(input, y, &state->hp_prev_in, &state->hp_prev_out);

  Energy long_term = {state->long_energy_hi, state->long_energy_lo};
  bool detected = false;
  Word16 offset = 0;
  for (int j = 0; j < kShortBlocks; ++j) {
    const Energy e = block_energy<K>(&y[offset]);

    const Word32 hi_diff = L_sub(e.hi, long_term.hi);
    if (hi_diff > 0 || (hi_diff == 0 && L_sub(e.lo, long_term.lo) > 0)) {
      if (exceeds_six_times(e, long_term)) detected = true;
    }

    // long_term = (long_term + (long_term + e) / 2) / 2.
    const Energy half_sum = energy_halve(energy_add(long_term, e));
    long_term = energy_halve(energy_add(long_term, half_sum));

    offset = add(offset, kShortBlockLength);
  }
  state->long_energy_hi = long_term.hi;
  state->long_energy_lo = long_term.lo;

  if (detected) {
    state->transient_hangover = 1;
    return 1;
  }
  if (state->transient_hangover == 1) {
    state->transient_hangover = 0;
    return 1;
  }
  return 0;
}

template Word16 g719_detect_transient<PortableKernels>(const Word16 *, G719EncoderState *);
template Word16 g719_detect_transient<Avx2Kernels>(const Word16 *, G719EncoderState *);
