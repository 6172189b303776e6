#include "spectral_enc/coefficient_coding.h"

#include "frame/bit_words.h"
#include "frame/kernel_sets.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/coef_huffman.h"
#include "spectral_enc/lattice_tables.h"
#include "spectral_enc/spare_bit_bands.h"

void normalize_band_coefficients(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                 Word16 end_band, Word16 width, Word16 *out) {
  Word32 *x = coefficients;
  Word16 *y = out;
  for (Word16 b = first_band; b < end_band; b++, x += width, y += width) {
    const Word16 odd = static_cast<Word16>(norm_index[b] & 1);
    const Word16 s = sub(sub(17, odd), shr(norm_index[b], 1));
    for (Word16 i = 0; i < width; i++) {
      if (odd != 0) x[i] = L_mls(x[i], kSqrtHalfQ15);
      y[i] = extract_l(L_shr(x[i], s));
    }
  }
}

template <class K>
void quantize_band_group(const Word16 *normalized, const Word16 *allocation, Word16 first_band, Word16 end_band,
                         Word16 width, Word16 *indices) {
  // A whole band per kernel call.
  const Word16 nvec = shr(width, 3);
  Word16 pos = 0;
  for (Word16 b = first_band; b < end_band; b++, pos = add(pos, width)) {
    const Word16 r = allocation[b];
    if (r <= 0 || r > kLatticeMaxBits) continue;
    if (r == 1) {
      K::quantize_onebit_vectors(normalized + pos, indices + pos, nvec);
    } else {
      K::lattice_quantize_vectors(normalized + pos, indices + pos, nvec, r);
    }
  }
}

Word16 write_band_group_indices(const Word16 *indices, const Word16 *allocation, Word16 *words,
                                Word16 coefficient_coding_flag, Word16 first_band, Word16 end_band, Word16 width) {
  // All fields go through one writer, which stores them 8 words at a time.
  // The count is the plain difference of the writer's end and words: a group
  // holds at most 32 bands of 32 coefficients of at most 9 bits, far below
  // 2^15, so the add() chain it replaces never saturates.
  const Word16 nvec = shr(width, 3);
  BitWordWriter writer(words);
  const Word16 *band = indices;
  for (Word16 b = first_band; b < end_band; b++, band += width) {
    const Word16 r = allocation[b];
    if (r <= 0) continue;
    if (sub(r, 1) == 0) {
      // One 8-bit codebook index per vector, in the vector's first slot.
      for (Word16 v = 0; v < nvec; v++) writer.put(static_cast<std::uint16_t>(band[v * kLatticeDim]), kOnebitIndexBits);
    } else if (coefficient_coding_flag != 0 && sub(r, kCoefHuffmanMaxBits) <= 0) {
      const Word16 first = coef_huffman_offsets[r];
      const Word16 mask = static_cast<Word16>((1 << r) - 1);  // r is 2..5: a plain shift
      // Two code words (at most 7 bits each) per put.
      Word16 i = 0;
      for (; i + 1 < width; i += 2) {
        const int a = first + (band[i] & mask);
        const int b = first + (band[i + 1] & mask);
        const int length_b = coef_huffman_lengths[b];
        writer.put((static_cast<std::uint32_t>(coef_huffman_codes[a]) << length_b) |
                       static_cast<std::uint32_t>(coef_huffman_codes[b]),
                   coef_huffman_lengths[a] + length_b);
      }
      if (i < width) {
        const int a = first + (band[i] & mask);
        writer.put(static_cast<std::uint16_t>(coef_huffman_codes[a]), coef_huffman_lengths[a]);
      }
    } else if (sub(r, 8) <= 0) {
      // Two fields (at most 8 bits each) per put.
      const std::uint32_t field_mask = (1u << r) - 1u;
      Word16 i = 0;
      for (; i + 1 < width; i += 2) {
        writer.put(((static_cast<std::uint32_t>(band[i]) & field_mask) << r) |
                       (static_cast<std::uint32_t>(band[i + 1]) & field_mask),
                   2 * r);
      }
      if (i < width) writer.put(static_cast<std::uint16_t>(band[i]), r);
    } else if (sub(r, 16) <= 0) {
      for (Word16 i = 0; i < width; i++) writer.put(static_cast<std::uint16_t>(band[i]), r);
    }
  }
  return static_cast<Word16>(writer.finish() - words);
}

template <class K>
void spend_spare_bits(const Word16 *normalized, Word16 *allocation, const Word16 *band_order, Word16 *indices,
                      Word16 **cursor, Word16 nb, Word16 spare) {
  give_spare_bits(allocation, band_order, nb, spare, [&](Word16 b) {
    const Word16 first = band_start_table[b];
    const Word16 width = band_width_table[b];
    const Word16 vectors = shr(width, 3);
    K::quantize_onebit_vectors(normalized + first, indices + first, vectors);
    BitWordWriter writer(*cursor);
    for (Word16 v = 0; v < vectors; v++) {
      writer.put(static_cast<std::uint16_t>(indices[first + shl(v, 3)]), kOnebitIndexBits);
    }
    *cursor = writer.finish();
  });
}

template void quantize_band_group<PortableKernels>(const Word16 *, const Word16 *, Word16, Word16, Word16, Word16 *);
template void quantize_band_group<Avx2Kernels>(const Word16 *, const Word16 *, Word16, Word16, Word16, Word16 *);
template void spend_spare_bits<PortableKernels>(const Word16 *, Word16 *, const Word16 *, Word16 *, Word16 **, Word16,
                                                Word16);
template void spend_spare_bits<Avx2Kernels>(const Word16 *, Word16 *, const Word16 *, Word16 *, Word16 **, Word16,
                                            Word16);
