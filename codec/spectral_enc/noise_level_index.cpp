#include "spectral_enc/noise_level_index.h"

#include "spectral_enc/band_tables.h"

Word16 noise_level_last_band(const Word16 *allocation) {
  for (Word16 b = kNumBands - 1; b >= 0; --b) {
    if (allocation[b] != 0) return b;
  }
  return kNumBands;
}

Word16 noise_level_index_from_sums(Word16 bit_length_sum, Word16 count) {
  Word16 index = 7;
  if (count != 0) index = sub(7, mult(bit_length_sum, div_s(1, count)));
  return index < 3 ? index : Word16{3};
}

Word16 g719_noise_level_index(const Word16 *normalized_spectrum, const Word16 *allocation) {
  const Word16 last = noise_level_last_band(allocation);

  Word16 bit_length_sum = 0;
  Word16 count = 0;
  for (Word16 b = 0; b < last; ++b) {
    if (allocation[b] != 0) continue;
    for (Word16 i = band_start_table[b]; i < band_end_table[b]; ++i) {
      const Word16 v = normalized_spectrum[i];
      if (v != 0) {
        bit_length_sum = add(bit_length_sum, sub(15, norm_s(v)));
      } else {
        bit_length_sum = sub(bit_length_sum, 1);
      }
      count = add(count, 1);
    }
  }

  return noise_level_index_from_sums(bit_length_sum, count);
}
