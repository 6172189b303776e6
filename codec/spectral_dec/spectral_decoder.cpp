#include "spectral_dec/spectral_decoder.h"

#include "frame/bit_words.h"
#include "frame/kernel_sets.h"
#include "spectral_dec/coefficient_decoding.h"
#include "spectral_dec/norm_decoding.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/bit_allocation.h"

template <class K>
void g719_decode_spectrum(const Word16 **cursor, const Word16 *end, Word16 budget, Word16 transient,
                          Word16 *norm_index, Word16 *allocation, Word16 *normalized) {
  BitWordReader<K> reader(*cursor, end - *cursor);
  const Word16 all_bands = static_cast<Word16>(reader.take(1));
  const Word16 norms_huffman = static_cast<Word16>(reader.take(1));
  const Word16 coefs_huffman = static_cast<Word16>(reader.take(1));
  const Word16 nb = all_bands != 0 ? Word16{kNumBands} : kReducedBands;

  // Norms.
  Word16 symbols[kNumBands];
  const Word16 norm_bits = read_norm_symbols(reader, norms_huffman, symbols);
  Word16 norm_level[kNumBands];
  rebuild_norm_indices(symbols, transient, norm_index, norm_level);

  // Bit allocation, recomputed from the decoded norms.
  const Word16 coef_budget = coefficient_bit_budget(budget, norm_bits);
  Word16 band_order[kNumBands];
  allocate_band_bits<K>(norm_level, transient, nb, coef_budget, band_order, allocation);

  // Coefficient indices of all groups first: the spare-bit vectors follow the
  // last group in the bitstream.
  Word16 index[kCodedCoefficients] = {};
  const int groups = coded_band_groups(nb);
  Word16 bits_used = 0;
  for (int g = 0; g < groups; g++) {
    const Word16 first = band_group_first_band[g];
    const Word16 group_end = add(first, band_group_band_count[g]);
    const Word16 bits = read_band_group_indices(reader, allocation, coefs_huffman, band_group_start[g], first,
                                                group_end, band_group_width[g], index);
    bits_used = add(bits_used, bits);
  }
  const Word16 spare_bits = sub(coef_budget, bits_used);

  for (Word16 g = 0; g < kNumBandGroups; g++) {
    const Word16 first = band_group_first_band[g];
    const Word16 start = band_group_start[g];
    K::dequantize_band_group(index + start, allocation, first, add(first, band_group_band_count[g]),
                             band_group_width[g], normalized + start);
  }

  decode_spare_bits(allocation, band_order, index, reader, normalized, nb, spare_bits);
  *cursor += reader.consumed();
}

template void g719_decode_spectrum<PortableKernels>(const Word16 **, const Word16 *, Word16, Word16, Word16 *,
                                                    Word16 *, Word16 *);
template void g719_decode_spectrum<Avx2Kernels>(const Word16 **, const Word16 *, Word16, Word16, Word16 *, Word16 *,
                                                Word16 *);
