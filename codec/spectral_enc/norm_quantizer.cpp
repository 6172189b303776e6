#include "spectral_enc/norm_quantizer.h"

#include "frame/block_scaling.h"
#include "spectral_enc/band_energy.h"

void compute_band_norm_index(const Word32 *coefficients, Word16 *index_out, Word16 index_limit, Word16 width,
                             Word16 group) {
  // Peak magnitude fixes the block shift that keeps the squares in range.
  Word32 peak = block_peak_magnitude(coefficients, width);
  if (peak < 1) peak = 1;
  const Word16 shift = sub(norm_l(peak), norm_shift_offset_table[group]);

  const Word32 energy = band_energy(coefficients, width, shift);
  *index_out = band_norm_index_from_energy(energy, shift, index_limit, group);
}

void compute_norm_indices(const Word32 *coefficients, Word16 *norm_index) {
  for (int g = 0; g < kNumBandGroups; g++) {
    const Word16 first = band_group_first_band[g];
    for (Word16 n = 0; n < band_group_band_count[g]; n++) {
      const Word16 b = add(first, n);
      const Word16 limit = b == 0 ? Word16{32} : Word16{40};
      compute_band_norm_index(coefficients + band_start_table[b], &norm_index[b], limit,
                                       band_group_width[g], static_cast<Word16>(g));
    }
  }
}

Word16 band_norm_index_from_energy(Word32 energy, Word16 shift, Word16 index_limit, Word16 group) {
  energy = L_mls(energy, reciprocal_width_table[group]);  // mean square

  const Word16 t = shl(sub(shift, 16), 1);
  const Word16 n = norm_l(energy);
  Word16 e = add(n, t);
  // Round at sqrt(1/2): a normalised mean square below it is nearer the next
  // lower power of two.
  if (L_sub(L_shl(energy, n), 0x5A82799A) < 0) e = add(e, 1);

  Word16 index = add(19, e);
  if (index < 0) index = 0;
  const Word16 top = sub(index_limit, 1);
  if (index > top) index = top;
  return index;
}

void transient_norms_to_coding_order(const Word16 *index, const Word16 *level, Word16 *index_out,
                                     Word16 *level_out) {
  for (int k = 0; k < kNumBands; ++k) {
    index_out[k] = index[transient_norm_order[k]];
    level_out[k] = level[transient_norm_order[k]];
  }
}

void limit_and_code_norm_differences(Word16 *level_out, Word16 count, Word16 *index, Word16 *diff_code_out) {
  for (Word16 k = sub(count, 1); k > 0; k = sub(k, 1)) {
    if (sub(sub(index[k], index[k - 1]), -15) < 0) index[k - 1] = add(index[k], 15);
  }
  for (Word16 k = 1; k < count; k = add(k, 1)) {
    Word16 d = sub(index[k], index[k - 1]);
    if (d > 16) {
      index[k] = add(index[k - 1], 16);
      d = 16;
    }
    level_out[k] = norm_level_of(index[k]);
    diff_code_out[k - 1] = add(d, 15);
  }
}

void norms_to_band_order(const Word16 *index_coded, Word16 *index_out, Word16 *level_out) {
  for (int b = 0; b < kNumBands; ++b) {
    index_out[b] = index_coded[transient_norm_position[b]];
    level_out[b] = norm_level_of(index_out[b]);
  }
}
