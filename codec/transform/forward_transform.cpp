#include "transform/forward_transform.h"

#include "frame/cpu_dispatch.h"
#include "transform/dct4.h"
#include "transform/forward_windows.h"
#include "transform/window_tables.h"

// Four short transforms. Block b folds t[240b - 120 .. 240b + 359] with the
// 480-point sine window; outside t (the first block's leading and the last
// block's trailing 120 positions) the block takes t[0..119] or t[840..959]
// with weight -1 instead.
void short_window_blocks_portable(const Word32 *folded, Word32 *blocks, Word16 shift) {
  const auto &C = short_window_center;
  const auto &E = short_window_edge;

  Word16 t[960];
  for (int k = 0; k < 960; ++k) t[k] = round_fx(L_shl(folded[959 - k], shift));

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
}

void long_transform_input_portable(const Word32 *folded, Word32 *buf, Word16 shift) {
  for (int i = 0; i < 960; ++i) buf[i] = L_shr_r(L_shl(folded[i], shift), 9);
}

namespace {

void long_transform(const Word32 *folded, Word32 *coefficients, Word16 shift) {
  Word32 buf[960];
  if (g719_avx2_active()) {
    long_transform_input_avx2(folded, buf, shift);
  } else {
    long_transform_input_portable(folded, buf, shift);
  }
  dct4_960_small_input(buf, coefficients);  // a 32-bit value shifted right by 9: within +-2^22
}

void short_transforms(const Word32 *folded, Word32 *coefficients, Word16 shift) {
  // The four windowed blocks first, then their transforms together.
  Word32 blocks[960];
  if (g719_avx2_active()) {
    short_window_blocks_avx2(folded, blocks, shift);
  } else {
    short_window_blocks_portable(folded, blocks, shift);
  }
  dct4_240_x4(blocks, coefficients);
}

}  // namespace

void g719_forward_transform(const Word32 *folded, Word32 *coefficients, Word16 transient) {
  g719_forward_transform_scaled(folded, coefficients, transient, 0);
}

void g719_forward_transform_scaled(const Word32 *folded, Word32 *coefficients, Word16 transient, Word16 shift) {
  if (shift < 0 || shift > 31) shift = 0;  // outside the contract; keeps every shift count defined
  if (transient != 0) {
    short_transforms(folded, coefficients, shift);
  } else {
    long_transform(folded, coefficients, shift);
  }
}
