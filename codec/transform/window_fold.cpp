#include "transform/window_fold.h"

#include "frame/block_scaling.h"
#include "frame/frame_geometry.h"
#include "transform/window_tables.h"

Word32 g719_window_fold(const Word16 *input, Word32 *folded, Word32 *history) {
  const Word16 *x = input;
  for (int k = 0; k < kHalfFrame; ++k) folded[kHalfFrame + k] = history[k];
  for (int i = 0; i < kHalfFrame; ++i) {
    const Word16 wc = long_window_center[i];
    const Word16 we = long_window_edge[i];
    history[kHalfFrame - 1 - i] = L_mac0(L_mult0(we, x[kHalfFrame - 1 - i]), wc, x[kHalfFrame + i]);
    folded[i] = L_msu0(L_mult0(wc, x[kHalfFrame - 1 - i]), we, x[kHalfFrame + i]);
  }
  return block_peak_magnitude(folded, kFrameSamples);
}
