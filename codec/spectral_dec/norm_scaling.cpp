#include "spectral_dec/norm_scaling.h"

#include "frame/block_scaling.h"
#include "spectral_enc/band_tables.h"

Word32 scale_by_norms(const Word16 *normalized, Word32 *coefficients, const Word16 *norm_indices) {
  for (Word16 b = 0; b < kNumBands; b++) {
    const Word16 i = norm_indices[b];
    const Word16 s = sub(2, shr(i, 1));
    const bool odd = (i & 1) != 0;
    for (Word16 k = band_start_table[b]; k < band_end_table[b]; k++) {
      const Word32 v = odd ? L_mult0(normalized[k], kSqrtHalfQ15) : L_mult(normalized[k], 16384);
      coefficients[k] = L_shl(v, s);
    }
  }
  return block_peak_magnitude(coefficients, kCodedCoefficients);
}

