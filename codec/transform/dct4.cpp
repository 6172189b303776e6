#include "transform/dct4.h"

#include "frame/frame_geometry.h"
#include "transform/complex_ops.h"
#include "transform/fft.h"
#include "transform/transform_tables.h"

namespace {

// z[n] = (x[2n] + j x[N-1-2n]) times the pre-twiddle P[n].
template <int N>
void pre_twiddle(const Word32 *x, Cplx *z, const Q15Pair *P) {
  for (int n = 0; n < N / 2; ++n) {
    const Word32 a = x[2 * n];
    const Word32 b = x[N - 1 - 2 * n];
    z[n].re = L_sub(L_mls(a, P[n].c), L_mls(b, P[n].s));
    z[n].im = L_add(L_mls(a, P[n].s), L_mls(b, P[n].c));
  }
}

// y[2k] and y[N-1-2k] from Z[k] times the post-twiddle Q[k].
template <int N>
void post_twiddle(const Cplx *Z, Word32 *y, const Q15Pair *Q) {
  for (int k = 0; k < N / 2; ++k) {
    y[2 * k] = L_sub(L_mls(Z[k].re, Q[k].c), L_mls(Z[k].im, Q[k].s));
    y[N - 1 - 2 * k] = L_negate(L_add(L_mls(Z[k].re, Q[k].s), L_mls(Z[k].im, Q[k].c)));
  }
}

}  // namespace

void dct4_960(Word32 *input, Word32 *output) {
  Cplx z[kHalfFrame];
  pre_twiddle<kFrameSamples>(input, z, dct960_pre_twiddle.data());
  fft_480(z);
  post_twiddle<kFrameSamples>(z, output, dct960_post_twiddle.data());
}

void dct4_240(const Word32 *input, Word32 *output) {
  Cplx z[kShortBlockLength / 2];
  pre_twiddle<kShortBlockLength>(input, z, dct240_pre_twiddle.data());
  fft_120(z);
  post_twiddle<kShortBlockLength>(z, output, dct240_post_twiddle.data());
}

void dct4_240_x4(const Word32 *input, Word32 *output) {
  for (int b = 0; b < kShortBlocks; ++b) dct4_240(input + kShortBlockLength * b, output + kShortBlockLength * b);
}
