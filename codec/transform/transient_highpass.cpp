#include "transform/transient_highpass.h"

#include "frame/kernel_sets.h"

void transient_highpass_saturating(const Word16 *x, Word16 *y, Word16 *prev_in, Word16 *prev_out) {
  Word16 out = *prev_out;
  Word16 in = *prev_in;
  for (int n = 0; n < kHighpassLength; ++n) {
    Word32 acc = L_mac0(0, out, 32316);
    acc = L_mac0(acc, x[n], 24465);
    acc = L_msu0(acc, in, 24465);
    y[n] = round_fx(acc);
    out = y[n];
    in = x[n];
  }
  *prev_in = in;
  *prev_out = out;
}

Word32 highpass_input_terms(const Word16 *x, Word16 prev_in, Word32 *d) {
  Word32 step = 0;
  Word32 last = prev_in;
  for (int n = 0; n < kHighpassLength; ++n) {
    const Word32 diff = x[n] - last;  // within +-65535
    const Word32 a = diff < 0 ? -diff : diff;
    if (a > step) step = a;
    d[n] = diff * 24465 + 32768;  // within +-1.61e9
    last = x[n];
  }
  return step;
}

void highpass_narrow(const Word32 *w, Word16 *y) {
  for (int n = 0; n < kHighpassLength; ++n) y[n] = static_cast<Word16>(w[n]);
}

// Why plain arithmetic is exact when every |x[n] - x[n-1]| <= 44492: every
// y[n-1] is a Word16, so |32316 y[n-1]| <= 32316 * 32768 = 1058930688, and
// the first two L_mac0 steps (sum at most 1058930688 + 24465 * 32768 =
// 1860599808 < 2^31) never saturate in any case. The exact sum
// s = 32316 y[n-1] + 24465 (x[n] - x[n-1]) then lies within
// +-(1058930688 + 24465 * 44492) = +-2147427468, so L_msu0 (which saturates
// only below -2^31) and the rounding L_add(s, 32768) (only above
// 2^31 - 1 - 32768 = 2147450879) do not saturate either, and
// round_fx gives (s + 32768) >> 16, which is again a Word16. By induction
// this holds for the whole frame, whatever y[-1] is; Overflow is then not
// touched, as by the operators. In 32 bits, 32316 y[n-1] + d[n] is exactly
// s + 32768, within [-2^31 + 32768, 2^31 - 1].
//
// The recursion is the serial part: per sample one multiply, one add and one
// shift on the dependency chain; the input terms d[n] are computed before.
template <class K>
void transient_highpass(const Word16 *x, Word16 *y, Word16 *prev_in, Word16 *prev_out) {
  Word32 d[kHighpassLength];
  if (K::highpass_input_terms(x, *prev_in, d) > kHighpassPlainStep) {
    transient_highpass_saturating(x, y, prev_in, prev_out);
    return;
  }
  // The outputs overwrite the input terms: the recursion then needs one
  // load, multiply, add, shift and store per sample, and the narrowing to
  // Word16 runs afterwards on whole vectors.
  Word32 out = *prev_out;
  for (int n = 0; n < kHighpassLength; n += 8) {
#pragma GCC unroll 8
    for (int k = n; k < n + 8; ++k) {
      out = (out * 32316 + d[k]) >> 16;
      d[k] = out;
    }
  }
  K::highpass_narrow(d, y);
  *prev_in = x[kHighpassLength - 1];
  *prev_out = static_cast<Word16>(out);
}

template void transient_highpass<PortableKernels>(const Word16 *, Word16 *, Word16 *, Word16 *);
template void transient_highpass<Avx2Kernels>(const Word16 *, Word16 *, Word16 *, Word16 *);
