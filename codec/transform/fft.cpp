#include "transform/fft.h"

#include "transform/transform_tables.h"

namespace {

// X scaled by the Q15 complex factor w.
inline Cplx cplx_mul_twiddle(Cplx x, Q15Pair w) {
  return {L_sub(L_mls(x.re, w.c), L_mls(x.im, w.s)), L_add(L_mls(x.re, w.s), L_mls(x.im, w.c))};
}

}  // namespace

void fft_120(Cplx *z) {
  // Work array, position 24 * (5-point index) + 8 * (3-point index) +
  // (8-point index); the 5-point module has six products, hence 144.
  Cplx I[144];
  const auto &M = wfta120_multipliers;

  // 1. Gather through the input map and 8-point pre-additions.
  for (int h = 0; h < 15; ++h) {
    const Word16 *map = &wfta120_input_map[8 * h];
    Cplx x[8];
    for (int r = 0; r < 8; ++r) x[r] = z[map[r]];
    const Cplx s04 = cplx_add(x[0], x[4]);
    const Cplx s15 = cplx_add(x[1], x[5]);
    const Cplx s26 = cplx_add(x[2], x[6]);
    const Cplx s37 = cplx_add(x[3], x[7]);
    const Cplx d15 = cplx_sub(x[1], x[5]);
    const Cplx d37 = cplx_sub(x[3], x[7]);
    Cplx *o = &I[8 * h];
    o[0] = cplx_add(s04, s26);
    o[1] = cplx_add(s15, s37);
    o[2] = cplx_sub(s04, s26);
    o[3] = cplx_sub(s15, s37);
    o[4] = cplx_sub(x[0], x[4]);
    o[5] = cplx_add(d15, d37);
    o[6] = cplx_sub(x[2], x[6]);
    o[7] = cplx_sub(d15, d37);
  }

  // 2. 3-point pre-additions.
  for (int a = 0; a < 5; ++a) {
    for (int e = 0; e < 8; ++e) {
      const int p = 24 * a + e;
      const Cplx p1 = cplx_add(I[p + 8], I[p + 16]);
      const Cplx p2 = cplx_sub(I[p + 8], I[p + 16]);
      I[p] = cplx_add(I[p], p1);
      I[p + 8] = p1;
      I[p + 16] = p2;
    }
  }

  // 3. 5-point pre-additions and the 144 multiplications.
  for (int p = 0; p < 24; ++p) {
    const Cplx x0 = I[p];
    const Cplx x1 = I[p + 24];
    const Cplx x2 = I[p + 48];
    const Cplx x3 = I[p + 72];
    const Cplx x4 = I[p + 96];
    const Cplx s14 = cplx_add(x1, x4);
    const Cplx d14 = cplx_sub(x1, x4);
    const Cplx s23 = cplx_add(x3, x2);
    const Cplx d32 = cplx_sub(x3, x2);
    const Cplx t1 = cplx_add(s14, s23);
    const Cplx t2 = cplx_sub(s14, s23);
    const Cplx t3 = cplx_add(d14, d32);
    I[p] = cplx_mul_real(cplx_add(x0, t1), M[0][p]);
    I[p + 24] = cplx_mul_real(t1, M[1][p]);
    I[p + 48] = cplx_mul_real(d14, M[2][p]);
    I[p + 72] = cplx_mul_real(t2, M[3][p]);
    I[p + 96] = cplx_mul_real(d32, M[4][p]);
    I[p + 120] = cplx_mul_real(t3, M[5][p]);
  }

  // 4. 5-point post-additions.
  for (int p = 0; p < 24; ++p) {
    I[p + 48] = cplx_mul_j(I[p + 48]);
    I[p + 96] = cplx_mul_j(I[p + 96]);
    I[p + 120] = cplx_mul_j(I[p + 120]);
    const Cplx s1 = cplx_add(I[p], I[p + 24]);
    const Cplx s2 = cplx_add(s1, I[p + 72]);
    const Cplx s3 = cplx_sub(s1, I[p + 72]);
    const Cplx s4 = cplx_add(I[p + 48], I[p + 120]);
    const Cplx s5 = cplx_add(I[p + 96], I[p + 120]);
    I[p + 24] = cplx_add(s2, s4);
    I[p + 48] = cplx_sub(s3, s5);
    I[p + 72] = cplx_add(s3, s5);
    I[p + 96] = cplx_sub(s2, s4);
  }

  // 5. 3-point post-additions.
  for (int a = 0; a < 5; ++a) {
    for (int e = 0; e < 8; ++e) {
      const int p = 24 * a + e;
      I[p + 16] = cplx_mul_j(I[p + 16]);
      const Cplx s = cplx_add(I[p], I[p + 8]);
      I[p + 8] = cplx_add(s, I[p + 16]);
      I[p + 16] = cplx_sub(s, I[p + 16]);
    }
  }

  // 6. 8-point post-additions and scatter through the output map.
  for (int h = 0; h < 15; ++h) {
    const Cplx *m = &I[8 * h];
    const Word16 *map = &wfta120_output_map[8 * h];
    const Cplx m3 = cplx_mul_j(m[3]);
    const Cplx m5 = cplx_mul_j(m[5]);
    const Cplx m6 = cplx_mul_j(m[6]);
    const Cplx g1 = cplx_add(m[4], m5);
    const Cplx g2 = cplx_sub(m[4], m5);
    const Cplx g3 = cplx_add(m6, m[7]);
    const Cplx g4 = cplx_sub(m6, m[7]);
    z[map[0]] = cplx_add(m[0], m[1]);
    z[map[4]] = cplx_sub(m[0], m[1]);
    z[map[2]] = cplx_add(m[2], m3);
    z[map[6]] = cplx_sub(m[2], m3);
    z[map[1]] = cplx_add(g1, g3);
    z[map[5]] = cplx_add(g2, g4);
    z[map[3]] = cplx_sub(g1, g3);
    z[map[7]] = cplx_sub(g2, g4);
  }
}

void fft_480(Cplx *z) {
  // Radix-4 decimation in frequency: quarter r of the array collects the
  // outputs 4m + r.
  for (int n = 0; n < 120; ++n) {
    const Cplx a0 = z[n];
    const Cplx a1 = z[n + 120];
    const Cplx a2 = z[n + 240];
    const Cplx a3 = z[n + 360];
    const Cplx p = cplx_add(a0, a2);
    const Cplx q = cplx_add(a1, a3);
    const Cplx r = cplx_sub(a0, a2);
    const Cplx e = {L_sub(a3.re, a1.re), L_negate(L_sub(a3.im, a1.im))};
    const Cplx x0 = cplx_add(p, q);
    const Cplx x2 = cplx_sub(p, q);
    // (a0 - a2) - j (a1 - a3) and (a0 - a2) + j (a1 - a3).
    const Cplx x1 = {L_add(r.re, e.im), L_add(r.im, e.re)};
    const Cplx x3 = {L_sub(r.re, e.im), L_sub(r.im, e.re)};
    const auto &w = fft480_twiddle[n];
    z[n] = x0;
    z[n + 120] = cplx_mul_twiddle(x1, w[1]);
    z[n + 240] = cplx_mul_twiddle(x2, w[2]);
    z[n + 360] = cplx_mul_twiddle(x3, w[3]);
  }

  for (int r = 0; r < 4; ++r) fft_120(z + 120 * r);

  // Natural order: output 4m + r is element m of quarter r.
  Cplx quarters[480];
  for (int i = 0; i < 480; ++i) quarters[i] = z[i];
  for (int r = 0; r < 4; ++r) {
    for (int m = 0; m < 120; ++m) z[4 * m + r] = quarters[120 * r + m];
  }
}
