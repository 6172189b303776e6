#include "transform/forward_transform.h"

#include "frame/block_scaling.h"
#include "transform/dct4.h"
#include "transform/window_tables.h"

namespace {

void long_transform(const Word32 *folded, Word32 *coefficients) {
  Word32 buf[960];
  block_shr_r(folded, buf, 960, 9);  // within +-2^22
  dct4_960_small_input(buf, coefficients);
}

// Four short transforms. Block b folds t[240b - 120 .. 240b + 359] with the
// 480-point sine window; outside t (the first block's leading and the last
// block's trailing 120 positions) the block takes t[0..119] or t[840..959]
// with weight -1 instead.
void short_transforms(const Word32 *folded, Word32 *coefficients) {
  const auto &C = short_window_center;
  const auto &E = short_window_edge;

  Word16 t[960];
  for (int k = 0; k < 960; ++k) t[k] = round_fx(folded[959 - k]);

  // The four windowed blocks first, then their transforms together.
  Word32 blocks[960];
  for (int b = 0; b < 4; ++b) {
    Word32 *buf = blocks + 240 * b;
    if (b == 0) {
      for (int i = 0; i < 120; ++i) {
        buf[i] = L_msu0(L_mult0(C[119 - i], t[239 - i]), E[i], t[240 + i]);
        buf[120 + i] = L_mult0(-32768, t[119 - i]);
      }
    } else if (b == 3) {
      for (int i = 0; i < 120; ++i) {
        buf[i] = L_mult0(-32768, t[959 - i]);
        buf[120 + i] = L_mac0(L_mult0(E[119 - i], t[600 + i]), C[i], t[839 - i]);
      }
    } else {
      const int o = 240 * (b - 1);
      for (int i = 0; i < 120; ++i) {
        buf[i] = L_msu0(L_mult0(C[119 - i], t[o + 479 - i]), E[i], t[o + 480 + i]);
        buf[120 + i] = L_mac0(L_mult0(C[i], t[o + 359 - i]), E[119 - i], t[o + 120 + i]);
      }
    }
    for (int i = 0; i < 240; ++i) buf[i] = L_shr_r(buf[i], 7);
  }
  dct4_240_x4(blocks, coefficients);
}

}  // namespace

void g719_forward_transform(const Word32 *folded, Word32 *coefficients, Word16 transient) {
  if (transient != 0) {
    short_transforms(folded, coefficients);
  } else {
    long_transform(folded, coefficients);
  }
}
