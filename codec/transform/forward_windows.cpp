#include "transform/forward_windows.h"

#include "frame/frame_geometry.h"
#include "transform/window_tables.h"

// Four short transforms. Block b folds t[240b - 120 .. 240b + 359] with the
// 480-point sine window; outside t (the first block's leading and the last
// block's trailing 120 positions) the block takes t[0..119] or t[840..959]
// with weight -1 instead.
void short_window_blocks(const Word32 *folded, Word32 *blocks, Word16 shift) {
  const auto &C = short_window_center;
  const auto &E = short_window_edge;

  Word16 t[kFrameSamples];
  for (int k = 0; k < kFrameSamples; ++k) t[k] = round_fx(L_shl(folded[kFrameSamples - 1 - k], shift));

  for (int b = 0; b < kShortBlocks; ++b) {
    Word32 *buf = blocks + kShortBlockLength * b;
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
      const int o = kShortBlockLength * (b - 1);
      for (int i = 0; i < 120; ++i) {
        buf[i] = L_msu0(L_mult0(C[119 - i], t[o + 479 - i]), E[i], t[o + 480 + i]);
        buf[120 + i] = L_mac0(L_mult0(C[i], t[o + 359 - i]), E[119 - i], t[o + 120 + i]);
      }
    }
    for (int i = 0; i < kShortBlockLength; ++i) buf[i] = L_shr_r(buf[i], 7);
  }
}

void long_transform_input(const Word32 *folded, Word32 *buf, Word16 shift) {
  for (int i = 0; i < kFrameSamples; ++i) buf[i] = L_shr_r(L_shl(folded[i], shift), 9);
}
