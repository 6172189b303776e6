#include "transform/inverse_transform.h"

#include "frame/frame_geometry.h"
#include "frame/kernel_sets.h"
#include "transform/window_tables.h"

namespace {

// Four short inverse transforms overlap-added into v[0..959], block b
// starting at position 240b - 120; the first block's leading and the last
// block's trailing 120 values fall outside v, and the stretches next to them
// (v[0..119] and v[840..959]) are taken unwindowed. Mirrors the encoder's
// short analysis, including its reversal.
template <class K>
void short_inverse(const Word32 *coefficients, Word32 *v) {
  const auto &S = short_synthesis_window;
  for (int i = 0; i < kFrameSamples; ++i) v[i] = 0;

  // The four short transforms together, then their windowing.
  Word32 blocks[kFrameSamples];
  K::dct4_240_x4(coefficients, blocks);
  for (int b = 0; b < kShortBlocks; ++b) {
    const Word32 *y = blocks + kShortBlockLength * b;

    Word32 u[2 * kShortBlockLength];
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

  for (int k = 0; k < kHalfFrame; ++k) {
    const Word32 tmp = v[k];
    v[k] = v[kFrameSamples - 1 - k];
    v[kFrameSamples - 1 - k] = tmp;
  }
}

}  // namespace

template <class K>
void g719_inverse_transform(Word32 *coefficients, Word32 *aliased, Word16 transient) {
  Word32 v[kFrameSamples];
  if (transient != 0) {
    short_inverse<K>(coefficients, v);
    K::unfold_aliased(v, aliased);
  } else {
    K::dct4_960(coefficients, v);
    K::unfold_halved_aliased(v, aliased);
  }
}

template void g719_inverse_transform<PortableKernels>(Word32 *, Word32 *, Word16);
template void g719_inverse_transform<Avx2Kernels>(Word32 *, Word32 *, Word16);

void unfold_aliased(const Word32 *v, Word32 *aliased) {
  for (int i = 0; i < kHalfFrame; ++i) {
    aliased[i] = v[480 + i];
    aliased[480 + i] = L_sub(0, v[959 - i]);
    aliased[960 + i] = L_sub(0, v[479 - i]);
    aliased[1440 + i] = L_sub(0, v[i]);
  }
}

// L_shr by 1 leaves every value within +-2^30, so no negation saturates.
void unfold_halved_aliased(const Word32 *v, Word32 *aliased) {
  for (int i = 0; i < kHalfFrame; ++i) {
    aliased[i] = L_shr(v[480 + i], 1);
    aliased[480 + i] = L_sub(0, L_shr(v[959 - i], 1));
    aliased[960 + i] = L_sub(0, L_shr(v[479 - i], 1));
    aliased[1440 + i] = L_sub(0, L_shr(v[i], 1));
  }
}

void g719_scaled_overlap_add(const Word32 *aliased, Word16 shift, Word16 *samples, Word32 *history) {
  const auto &W = long_synthesis_window;
  for (int i = 0; i < kFrameSamples; ++i) {
    const Word32 w = L_mls(L_shr(aliased[i], shift), W[i]);
    samples[i] = round_fx(L_shl(L_add(w, history[i]), 7));
  }
  for (int i = 0; i < kFrameSamples; ++i) {
    history[i] = L_mls(L_shr(aliased[kFrameSamples + i], shift), W[kFrameSamples + i]);
  }
}
