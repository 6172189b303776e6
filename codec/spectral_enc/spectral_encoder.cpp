#include "spectral_enc/spectral_encoder.h"

#include "frame/bit_words.h"
#include "frame/kernel_sets.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/bit_allocation.h"
#include "spectral_enc/coef_huffman.h"
#include "spectral_enc/coefficient_coding.h"
#include "spectral_enc/interleave.h"
#include "spectral_enc/norm_huffman.h"
#include "spectral_enc/norm_quantizer.h"

namespace {

// Frames of at least this many bits (48000 bit/s) always code all 44 bands.
constexpr Word16 kAllBandsFrameBits = 960;

// The norms of a frame as they are coded.
struct CodedNorms {
  Word16 index[kNumBands];  // clamped norm indices, band order
  Word16 level[kNumBands];  // their levels
  Word16 first_index;       // the first index of the coding order
  Word16 diff_code[kNormDiffCount];
  Word16 band_count;        // nb: 44, or 36 when the top band group is dropped
};

// The loudest band (highest level; the lowest band among equals).
Word16 loudest_band(const Word16 *level) {
  Word16 lb = 0;
  Word16 m = level[0];
  for (Word16 b = 1; b < kNumBands; b++) {
    if (sub(level[b], m) > 0) {
      lb = b;
      m = level[b];
    }
  }
  return lb;
}

// Norm indices of every band, the band count, and the indices clamped so
// that their differences in coding order (band order, or the transient
// order) fit the difference code.
template <class K>
void quantize_norms(const Word32 *coefficients, Word16 frame_bits, Word16 transient, CodedNorms *norms) {
  K::compute_norm_indices(coefficients, norms->index);
  for (int b = 0; b < kNumBands; b++) norms->level[b] = norm_level_of(norms->index[b]);

  // At the lowest rate the top 8 bands are dropped unless the loudest band
  // (before clamping) lies among them.
  norms->band_count = kNumBands;
  if (sub(frame_bits, kAllBandsFrameBits) < 0 && sub(loudest_band(norms->level), sub(kReducedBands, 2)) < 0) {
    norms->band_count = kReducedBands;
  }

  if (transient == 0) {
    limit_and_code_norm_differences(norms->level, kNumBands, norms->index, norms->diff_code);
    norms->first_index = norms->index[0];
    norms->level[0] = norm_level_of(norms->index[0]);
  } else {
    Word16 coded_index[kNumBands];
    Word16 coded_level[kNumBands];
    transient_norms_to_coding_order(norms->index, norms->level, coded_index, coded_level);
    limit_and_code_norm_differences(coded_level, kNumBands, coded_index, norms->diff_code);
    norms->first_index = coded_index[0];
    norms_to_band_order(coded_index, norms->index, norms->level);
  }
}

// Divides the coded bands by their clamped norms into normalized.
template <class K>
void normalize_coded_bands(Word32 *coefficients, const CodedNorms &norms, Word16 *normalized) {
  for (int g = 0; g < coded_band_groups(norms.band_count); g++) {
    const Word16 first = band_group_first_band[g];
    const Word16 start = band_group_start[g];
    K::normalize_band_coefficients(coefficients + start, norms.index, first, add(first, band_group_band_count[g]),
                                   band_group_width[g], normalized + start);
  }
}

// Bits per coefficient of every band from the clamped levels, with
// band_order the bands by priority; returns their fixed-width cost.
template <class K>
Word16 allocate_coded_bits(const CodedNorms &norms, Word16 transient, Word16 coefficient_budget, Word16 *band_order,
                           Word16 *allocation) {
  allocate_band_bits<K>(norms.level, transient, norms.band_count, coefficient_budget, band_order, allocation);
  return count_allocated_bits(allocation, norms.band_count);
}

// Quantizes the coded bands into indices; returns what their indices cost
// when Huffman coded.
template <class K>
Word16 quantize_coded_bands(const Word16 *normalized, const Word16 *allocation, Word16 band_count, Word16 *indices) {
  Word16 huffman_bits = 0;
  for (int g = 0; g < coded_band_groups(band_count); g++) {
    const Word16 first = band_group_first_band[g];
    const Word16 end = add(first, band_group_band_count[g]);
    const Word16 start = band_group_start[g];
    quantize_band_group<K>(normalized + start, allocation, first, end, band_group_width[g], indices + start);
    huffman_bits = add(huffman_bits, count_coefficient_huffman_bits<K>(indices + start, allocation, first, end,
                                                                       band_group_width[g]));
  }
  return huffman_bits;
}

// The coding flags and the norms, from words on; returns the address after
// them.
Word16 *write_flags_and_norms(Word16 *words, const CodedNorms &norms, Word16 norm_coding_flag,
                              Word16 coefficient_coding_flag) {
  BitWordWriter writer(words);
  writer.put(norms.band_count == kNumBands ? 1u : 0u, 1);
  writer.put(norm_coding_flag != 0 ? 1u : 0u, 1);
  writer.put(coefficient_coding_flag != 0 ? 1u : 0u, 1);
  writer.put(static_cast<std::uint16_t>(norms.first_index), kNormFieldBits);
  for (int k = 0; k < kNormDiffCount; k++) {
    const Word16 code = norms.diff_code[k];
    if (norm_coding_flag == 0) {
      writer.put(static_cast<std::uint16_t>(code), kNormFieldBits);
    } else {
      writer.put(static_cast<std::uint16_t>(norm_diff_huffman_codes[code]), norm_diff_huffman_lengths[code]);
    }
  }
  return writer.finish();
}

// The indices of the coded band groups, from words on; returns the address
// after them.
Word16 *write_coded_bands(Word16 *words, const Word16 *indices, const Word16 *allocation, Word16 band_count,
                          Word16 coefficient_coding_flag) {
  for (int g = 0; g < coded_band_groups(band_count); g++) {
    const Word16 first = band_group_first_band[g];
    const Word16 start = band_group_start[g];
    words += write_band_group_indices(indices + start, allocation, words, coefficient_coding_flag, first,
                                      add(first, band_group_band_count[g]), band_group_width[g]);
  }
  return words;
}

}  // namespace

template <class K>
void g719_encode_spectrum(Word16 **cursor, Word32 *coefficients, Word16 *normalized, Word16 *allocation,
                          Word16 budget, Word16 frame_bits, Word16 transient) {
  if (transient != 0) interleave_transient_spectrum(coefficients);

  CodedNorms norms;
  quantize_norms<K>(coefficients, frame_bits, transient, &norms);
  normalize_coded_bands<K>(coefficients, norms, normalized);

  // Norm coding: Huffman only when strictly cheaper than 5-bit fields.
  const Word16 huffman_norm_bits = norm_diff_huffman_cost(norms.diff_code, kNormDiffCount);
  const Word16 norm_coding_flag = sub(huffman_norm_bits, kFixedNormBits) < 0 ? Word16{1} : Word16{0};
  const Word16 norm_bits = norm_coding_flag != 0 ? huffman_norm_bits : kFixedNormBits;

  Word16 band_order[kNumBands];
  const Word16 coefficient_budget = coefficient_bit_budget(budget, norm_bits);
  const Word16 fixed_bits = allocate_coded_bits<K>(norms, transient, coefficient_budget, band_order, allocation);
  Word16 spare = sub(coefficient_budget, fixed_bits);

  Word16 indices[kCodedCoefficients] = {};
  const Word16 huffman_coefficient_bits = quantize_coded_bands<K>(normalized, allocation, norms.band_count, indices);

  // Coefficient coding: Huffman only when strictly cheaper; the saving
  // becomes spare bits.
  Word16 coefficient_coding_flag = 0;
  const Word16 saving = sub(fixed_bits, huffman_coefficient_bits);
  if (saving > 0) {
    coefficient_coding_flag = 1;
    spare = add(spare, saving);
  }

  Word16 *w = write_flags_and_norms(*cursor, norms, norm_coding_flag, coefficient_coding_flag);
  w = write_coded_bands(w, indices, allocation, norms.band_count, coefficient_coding_flag);
  spend_spare_bits<K>(normalized, allocation, band_order, indices, &w, norms.band_count, spare);
  *cursor = w;
}

template void g719_encode_spectrum<PortableKernels>(Word16 **, Word32 *, Word16 *, Word16 *, Word16, Word16, Word16);
template void g719_encode_spectrum<Avx2Kernels>(Word16 **, Word32 *, Word16 *, Word16 *, Word16, Word16, Word16);
