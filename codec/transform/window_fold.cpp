#include "transform/window_fold.h"

#include "frame/block_scaling.h"
#include "frame/cpu_dispatch.h"
#include "transform/window_tables.h"

void g719_window_fold(const Word16 *input, Word32 *folded, Word32 *history) {
  if (g719_avx2_active()) {
    g719_window_fold_avx2(input, folded, history);
  } else {
    g719_window_fold_portable(input, folded, history);
  }
}

void g719_window_fold_portable(const Word16 *input, Word32 *folded, Word32 *history) {
  const Word16 *x = input;
  for (int k = 0; k < 480; ++k) folded[480 + k] = history[k];
  for (int i = 0; i < 480; ++i) {
    const Word16 wc = long_window_center[i];
    const Word16 we = long_window_edge[i];
    history[479 - i] = L_mac0(L_mult0(we, x[479 - i]), wc, x[480 + i]);
    folded[i] = L_msu0(L_mult0(wc, x[479 - i]), we, x[480 + i]);
  }
}

Word32 g719_window_fold_peak(const Word16 *input, Word32 *folded, Word32 *history) {
  return g719_avx2_active() ? g719_window_fold_peak_avx2(input, folded, history)
                            : g719_window_fold_peak_portable(input, folded, history);
}

Word32 g719_window_fold_peak_portable(const Word16 *input, Word32 *folded, Word32 *history) {
  g719_window_fold_portable(input, folded, history);
  return block_peak_magnitude_portable(folded, 960);
}
