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
// their magnitude stays below 1518501888. Runs the AVX2 variant when it is
// active (frame/cpu_dispatch.h); both give the same values.
void g719_window_fold(const Word16 *input, Word32 *folded, Word32 *history);

// The portable loop, the reference of the AVX2 variant, and the variant
// itself (only when g719_cpu_has_avx2()).
void g719_window_fold_portable(const Word16 *input, Word32 *folded, Word32 *history);
void g719_window_fold_avx2(const Word16 *input, Word32 *folded, Word32 *history);

// g719_window_fold that also returns the largest magnitude of the 960
// folded values, block_peak_magnitude(folded, 960) (frame/block_scaling.h),
// which the encoder's block scaling needs; the AVX2 variant takes it while
// the values are in registers. Both give the same folded values, history
// and peak.
Word32 g719_window_fold_peak(const Word16 *input, Word32 *folded, Word32 *history);
Word32 g719_window_fold_peak_portable(const Word16 *input, Word32 *folded, Word32 *history);
Word32 g719_window_fold_peak_avx2(const Word16 *input, Word32 *folded, Word32 *history);
