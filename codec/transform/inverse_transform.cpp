#include "transform/inverse_transform.h"

#include "frame/block_scaling.h"
#include "frame/cpu_dispatch.h"
#include "transform/dct4.h"
#include "transform/overlap_add_avx2.h"
#include "transform/unfold_avx2.h"
#include "transform/window_tables.h"

namespace {

void long_inverse(Word32 *coefficients, Word32 *v) {
  dct4_960(coefficients, v);
  block_shr(v, 960, 1);
}

// Four short inverse transforms overlap-added into v[0..959], block b
// starting at position 240b - 120; the first block's leading and the last
// block's trailing 120 values fall outside v, and the stretches next to them
// (v[0..119] and v[840..959]) are taken unwindowed. Mirrors the encoder's
// short analysis, including its reversal.
void short_inverse(const Word32 *coefficients, Word32 *v) {
  const auto &S = short_synthesis_window;
  for (int i = 0; i < 960; ++i) v[i] = 0;

  // The four short transforms together, then their windowing.
  Word32 blocks[960];
  dct4_240_x4(coefficients, blocks);
  for (int b = 0; b < 4; ++b) {
    const Word32 *y = blocks + 240 * b;

    Word32 u[480];
    for (int i = 0; i < 120; ++i) {
      u[i] = y[120 + i];
      u[120 + i] = L_sub(0, y[239 - i]);
      u[240 + i] = L_sub(0, y[119 - i]);
      u[360 + i] = L_sub(0, y[i]);
    }

    if (b == 0) {
      for (int k = 0; k < 120; ++k) v[k] = u[120 + k];
      for (int k = 0; k < 240; ++k) v[120 + k] = L_mls(u[240 + k], S[240 + k]);
    } else if (b == 3) {
      for (int k = 0; k < 240; ++k) v[600 + k] = L_add(v[600 + k], L_mls(u[k], S[k]));
      for (int k = 0; k < 120; ++k) v[840 + k] = u[240 + k];
    } else {
      const int start = 240 * b - 120;
      for (int k = 0; k < 480; ++k) v[start + k] = L_add(v[start + k], L_mls(u[k], S[k]));
    }
  }

  for (int k = 0; k < 480; ++k) {
    const Word32 tmp = v[k];
    v[k] = v[959 - k];
    v[959 - k] = tmp;
  }
}

}  // namespace

void g719_inverse_transform(Word32 *coefficients, Word32 *aliased, Word16 transient) {
  Word32 v[960];
  if (transient == 0 && g719_avx2_active()) {
    dct4_960(coefficients, v);
    unfold_halved_aliased_avx2(v, aliased);  // the long transform's halving, fused
    return;
  }
  if (transient != 0) {
    short_inverse(coefficients, v);
  } else {
    long_inverse(coefficients, v);
  }
  if (g719_avx2_active()) {
    unfold_aliased_avx2(v, aliased);
  } else {
    unfold_aliased_portable(v, aliased);
  }
}

void unfold_aliased_portable(const Word32 *v, Word32 *aliased) {
  for (int i = 0; i < 480; ++i) {
    aliased[i] = v[480 + i];
    aliased[480 + i] = L_sub(0, v[959 - i]);
    aliased[960 + i] = L_sub(0, v[479 - i]);
    aliased[1440 + i] = L_sub(0, v[i]);
  }
}

void g719_overlap_add(const Word32 *aliased, Word16 *samples, Word32 *history) {
  g719_scaled_overlap_add(aliased, 0, samples, history);
}

void g719_overlap_add_portable(const Word32 *aliased, Word16 *samples, Word32 *history) {
  g719_scaled_overlap_add_portable(aliased, 0, samples, history);
}

void g719_scaled_overlap_add(const Word32 *aliased, Word16 shift, Word16 *samples, Word32 *history) {
  if (g719_avx2_active()) {
    g719_scaled_overlap_add_avx2(aliased, shift, samples, history);
  } else {
    g719_scaled_overlap_add_portable(aliased, shift, samples, history);
  }
}

void g719_scaled_overlap_add_portable(const Word32 *aliased, Word16 shift, Word16 *samples, Word32 *history) {
  const auto &W = long_synthesis_window;
  for (int i = 0; i < 960; ++i) {
    const Word32 w = L_mls(L_shr(aliased[i], shift), W[i]);
    samples[i] = round_fx(L_shl(L_add(w, history[i]), 7));
  }
  for (int i = 0; i < 960; ++i) history[i] = L_mls(L_shr(aliased[960 + i], shift), W[960 + i]);
}
