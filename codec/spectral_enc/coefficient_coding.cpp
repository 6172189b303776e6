#include "spectral_enc/coefficient_coding.h"

#include "frame/bit_words.h"
#include "frame/cpu_dispatch.h"
#include "spectral_enc/band_normalization.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/coef_huffman.h"
#include "spectral_enc/lattice.h"
#include "spectral_enc/lattice_avx2.h"
#include "spectral_enc/lattice_tables.h"
#include "spectral_enc/onebit_leader_search.h"
#include "spectral_enc/spare_bit_bands.h"

namespace {

constexpr Word16 kSqrtHalfQ15 = 23170;

// (v - 4) * 16/3: the gain that maps the Q8 normalised coefficients (which
// the decoder rebuilds with an offset of 4) onto the lattice scale.
void scale_for_lattice(const Word16 *v, Word16 *y) {
  for (int i = 0; i < kLatticeDim; i++) {
    y[i] = extract_l(L_shr(L_mult0(21845, sub(v[i], 4)), 12));
  }
}

// (v - 4) * 1.1: the scale of the one-bit codebook (units of 256).
void scale_for_onebit(const Word16 *v, Word16 *y) {
  for (int i = 0; i < kLatticeDim; i++) {
    const Word16 c = sub(v[i], 4);
    y[i] = add(c, mult(c, 3277));
  }
}

}  // namespace

void normalize_band_coefficients(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                 Word16 end_band, Word16 width, Word16 *out) {
  if (width > 0 && (width & 7) == 0 && g719_avx2_active()) {
    normalize_band_coefficients_avx2(coefficients, norm_index, first_band, end_band, width, out);
  } else {
    normalize_band_coefficients_portable(coefficients, norm_index, first_band, end_band, width, out);
  }
}

void normalize_band_coefficients_portable(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
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

void quantize_band_group(const Word16 *normalized, const Word16 *allocation, Word16 first_band, Word16 end_band,
                         Word16 width, Word16 *indices) {
  const Word16 nvec = shr(width, 3);
  if (g719_avx2_active()) {
    // Scaling and quantization of a whole band per kernel call; the same
    // indices as the loop below (spectral_enc/lattice_avx2.h,
    // spectral_enc/onebit_leader_search.h).
    Word16 pos = 0;
    for (Word16 b = first_band; b < end_band; b++, pos = add(pos, width)) {
      const Word16 r = allocation[b];
      if (r <= 0 || r > kLatticeMaxBits) continue;
      if (r == 1) {
        quantize_scaled_onebit_vectors_avx2(normalized + pos, indices + pos, nvec);
      } else {
        lattice_quantize_scaled_vectors_avx2(normalized + pos, indices + pos, nvec, r);
      }
    }
    return;
  }
  Word16 pos = 0;
  for (Word16 b = first_band; b < end_band; b++, pos = add(pos, width)) {
    const Word16 r = allocation[b];
    if (r <= 0 || r > kLatticeMaxBits) continue;
    for (Word16 v = 0; v < nvec; v++) {
      const Word16 at = add(pos, shl(v, 3));
      Word16 y[kLatticeDim];
      if (sub(r, 1) == 0) {
        scale_for_onebit(normalized + at, y);
        quantize_onebit_vector(y, indices + at);
      } else {
        scale_for_lattice(normalized + at, y);
        lattice_quantize_vector(y, indices + at, lattice_modulus_table[r], r);
      }
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
      for (Word16 v = 0; v < nvec; v++) writer.put(static_cast<std::uint16_t>(band[v * 8]), 8);
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
    } else if (sub(r, 15) <= 0) {
      for (Word16 i = 0; i < width; i++) writer.put(static_cast<std::uint16_t>(band[i]), r);
    } else {
      // Fields of 16 bits and more keep the saturating writer.
      Word16 *at = writer.finish();
      g719_write_values(band, width, r, at);
      writer = BitWordWriter(at + extract_l(L_mult0(r, width)));
    }
  }
  return static_cast<Word16>(writer.finish() - words);
}

void quantize_and_write_onebit_vectors(const Word16 *normalized, Word16 *indices, Word16 *words,
                                       Word16 vector_count) {
  if (g719_avx2_active()) {
    // Scaling and quantization of all the vectors in one kernel call
    // (spectral_enc/onebit_leader_search.h), then the writing.
    quantize_scaled_onebit_vectors_avx2(normalized, indices, vector_count);
    for (Word16 v = 0; v < vector_count; v++) {
      const Word16 at = shl(v, 3);
      g719_write_values(indices + at, 8, 1, words + at);
    }
    return;
  }
  for (Word16 v = 0; v < vector_count; v++) {
    const Word16 at = shl(v, 3);
    Word16 y[kLatticeDim];
    scale_for_onebit(normalized + at, y);
    quantize_onebit_vector(y, indices + at);
    g719_write_values(indices + at, 8, 1, words + at);
  }
}

void spend_spare_bits(const Word16 *normalized, Word16 *allocation, const Word16 *band_order, Word16 *indices,
                      Word16 **cursor, Word16 nb, Word16 spare) {
  give_spare_bits(allocation, band_order, nb, spare, [&](Word16 b) {
    const Word16 first = band_start_table[b];
    const Word16 width = band_width_table[b];
    quantize_and_write_onebit_vectors(normalized + first, indices + first, *cursor, shr(width, 3));
    *cursor += width;
  });
}
