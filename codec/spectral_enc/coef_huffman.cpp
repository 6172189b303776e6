#include "spectral_enc/coef_huffman.h"

#include "frame/kernel_sets.h"

template <class K>
Word16 count_coefficient_huffman_bits(const Word16 *indices, const Word16 *allocation, Word16 first_band,
                                      Word16 end_band, Word16 width) {
  Word16 bits = 0;
  const Word16 *band = indices;
  for (Word16 b = first_band; b < end_band; b++, band += width) {
    const Word16 r = allocation[b];
    if (r <= 0) continue;
    if (sub(r, 1) == 0) {
      bits = add(bits, width);
    } else if (sub(r, kCoefHuffmanMaxBits) <= 0) {
      bits = K::add_huffman_lengths(bits, band, width, r);
    } else {
      bits = add(bits, extract_l(L_mult0(width, r)));
    }
  }
  return bits;
}

template Word16 count_coefficient_huffman_bits<PortableKernels>(const Word16 *, const Word16 *, Word16, Word16,
                                                                Word16);
template Word16 count_coefficient_huffman_bits<Avx2Kernels>(const Word16 *, const Word16 *, Word16, Word16, Word16);

Word16 add_huffman_lengths(Word16 bits, const Word16 *band, Word16 width, Word16 r) {
  const Word16 *lengths = coef_huffman_lengths + coef_huffman_offsets[r];
  const Word16 mask = sub(shl(1, r), 1);  // components are 0..2^R-1
  for (Word16 i = 0; i < width; i++) bits = add(bits, lengths[band[i] & mask]);
  return bits;
}
