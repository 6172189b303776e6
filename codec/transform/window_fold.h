// Analysis windowing and time-domain aliasing of the long transform.
#pragma once

#include "basop/basop.h"

// Windows the frame input[0..959] with the rising and falling halves of a
// 1920-point sine window and folds it into the 960 values whose DCT-IV is
// the MDCT of the previous frame followed by this one:
//   folded[0..479]   = this frame's fold as the second half of the block,
//   folded[480..959] = history (the previous frame's saved fold),
// then history[0..479] receives this frame's fold as the first half of the
// next block. The values carry 15 fractional bits (Q15 window times PCM);
// their magnitude stays below 1518501888. Returns the largest magnitude of
// the 960 folded values, block_peak_magnitude(folded, 960), which the
// encoder's block scaling needs.
Word32 g719_window_fold(const Word16 *input, Word32 *folded, Word32 *history);
// The same values, history and peak; the peak taken while the values are in
// registers.
Word32 g719_window_fold_avx2(const Word16 *input, Word32 *folded, Word32 *history);
