#include "transform/dct4.h"

#include "frame/cpu_dispatch.h"
#include "transform/complex_ops.h"
#include "transform/dct4_avx2.h"
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
  if (g719_avx2_active()) {
    dct4_960_avx2(input, output);
  } else {
    dct4_960_portable(input, output);
  }
}

void dct4_960_small_input(Word32 *input, Word32 *output) {
  if (g719_avx2_active()) {
    dct4_960_avx2_small_input(input, output);
  } else {
    dct4_960_portable(input, output);
  }
}

void dct4_960_portable(Word32 *input, Word32 *output) {
  Cplx z[480];
  pre_twiddle<960>(input, z, dct960_pre_twiddle.data());
  fft_480_portable(z);
  post_twiddle<960>(z, output, dct960_post_twiddle.data());
}

void dct4_240(const Word32 *input, Word32 *output) {
  Cplx z[120];
  pre_twiddle<240>(input, z, dct240_pre_twiddle.data());
  fft_120(z);
  post_twiddle<240>(z, output, dct240_post_twiddle.data());
}

void dct4_240_x4_portable(const Word32 *input, Word32 *output) {
  for (int b = 0; b < 4; ++b) dct4_240(input + 240 * b, output + 240 * b);
}

void dct4_240_x4(const Word32 *input, Word32 *output) {
  if (g719_avx2_active()) {
    dct4_240_x4_avx2(input, output);
  } else {
    dct4_240_x4_portable(input, output);
  }
}
