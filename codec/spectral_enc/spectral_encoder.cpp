#include "spectral_enc/spectral_encoder.h"

#include "frame/bit_words.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/bit_allocation.h"
#include "spectral_enc/coef_huffman.h"
#include "spectral_enc/coefficient_coding.h"
#include "spectral_enc/interleave.h"
#include "spectral_enc/norm_huffman.h"
#include "spectral_enc/norm_quantizer.h"

namespace {

constexpr Word16 kNormDiffCount = kNumBands - 1;  // 43 differences after the first index
constexpr Word16 kFixedNormBits = 215;            // 43 x 5
constexpr Word16 kReducedBands = 36;

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

}  // namespace

void g719_encode_spectrum(Word16 **cursor, Word32 *coefficients, Word16 *normalized, Word16 *allocation,
                          Word16 budget, Word16 frame_bits, Word16 transient) {
  if (transient != 0) interleave_transient_spectrum(coefficients);

  // Norms and their levels, before clamping.
  Word16 norm_index[kNumBands];
  Word16 norm_level[kNumBands];
  compute_norm_indices(coefficients, norm_index);
  for (int b = 0; b < kNumBands; b++) norm_level[b] = norm_level_of(norm_index[b]);

  // Band count: at the lowest rate the top 8 bands are dropped unless the
  // loudest band lies among them.
  Word16 band_count_flag = 1;
  Word16 nb = kNumBands;
  if (sub(frame_bits, 960) < 0 && sub(loudest_band(norm_level), sub(36, 2)) < 0) {
    band_count_flag = 0;
    nb = kReducedBands;
  }

  // Clamp neighbouring norms so their differences can be coded.
  Word16 diff_code[kNormDiffCount];
  Word16 first_norm_index;
  if (transient == 0) {
    limit_and_code_norm_differences(norm_level, kNumBands, norm_index, diff_code);
    first_norm_index = norm_index[0];
    norm_level[0] = norm_level_of(norm_index[0]);
  } else {
    Word16 coded_index[kNumBands];
    Word16 coded_level[kNumBands];
    transient_norms_to_coding_order(norm_index, norm_level, coded_index, coded_level);
    limit_and_code_norm_differences(coded_level, kNumBands, coded_index, diff_code);
    first_norm_index = coded_index[0];
    norms_to_band_order(coded_index, norm_index, norm_level);
  }

  // Normalise the coded bands by their clamped norms.
  const int coded_groups = band_count_flag != 0 ? kNumBandGroups : kNumBandGroups - 1;
  for (int g = 0; g < coded_groups; g++) {
    const Word16 first = band_group_first_band[g];
    const Word16 start = band_group_start[g];
    normalize_band_coefficients(coefficients + start, norm_index, first, add(first, band_group_band_count[g]),
                                band_group_width[g], normalized + start);
  }

  // Norm coding: Huffman only when strictly cheaper than 5-bit fields.
  const Word16 huffman_norm_bits = norm_diff_huffman_cost(diff_code, kNormDiffCount);
  const Word16 norm_coding_flag = sub(huffman_norm_bits, kFixedNormBits) < 0 ? Word16{1} : Word16{0};
  const Word16 norm_bits = norm_coding_flag != 0 ? huffman_norm_bits : kFixedNormBits;

  // Bit allocation from the clamped levels.
  Word16 band_order[kNumBands];
  Word16 priority[kNumBands];
  for (Word16 b = 0; b < nb; b++) band_order[b] = b;
  compute_allocation_priorities(norm_level, priority, transient);
  sort_bands_by_priority(priority, nb, band_order);
  for (int b = 0; b < kNumBands; b++) allocation[b] = 0;
  const Word16 coefficient_budget = sub(sub(sub(budget, 3), 5), norm_bits);
  allocate_bits(priority, band_order, coefficient_budget, nb, kMaxBitsPerCoefficient, allocation);

  const Word16 fixed_bits = count_allocated_bits(allocation, nb);
  Word16 spare = sub(coefficient_budget, fixed_bits);

  // Quantize, and cost the Huffman coding of the indices.
  Word16 indices[kCodedCoefficients] = {};
  Word16 huffman_coef_bits = 0;
  for (int g = 0; g < kNumBandGroups; g++) {
    if (g == kNumBandGroups - 1 && sub(nb, kReducedBands) <= 0) break;
    const Word16 first = band_group_first_band[g];
    const Word16 end = add(first, band_group_band_count[g]);
    const Word16 start = band_group_start[g];
    quantize_band_group(normalized + start, allocation, first, end, band_group_width[g], indices + start);
    huffman_coef_bits = add(huffman_coef_bits, count_coefficient_huffman_bits(indices + start, allocation, first,
                                                                              end, band_group_width[g]));
  }

  // Coefficient coding: Huffman only when strictly cheaper; the saving
  // becomes spare bits.
  Word16 coefficient_coding_flag = 0;
  const Word16 saving = sub(fixed_bits, huffman_coef_bits);
  if (saving > 0) {
    coefficient_coding_flag = 1;
    spare = add(spare, saving);
  }

  // Write the spectral part.
  // The flags and norms go through one writer, 8 words at a time.
  BitWordWriter header(*cursor);
  header.put(band_count_flag != 0 ? 1u : 0u, 1);
  header.put(norm_coding_flag != 0 ? 1u : 0u, 1);
  header.put(coefficient_coding_flag != 0 ? 1u : 0u, 1);
  header.put(static_cast<std::uint16_t>(first_norm_index), 5);
  for (int k = 0; k < kNormDiffCount; k++) {
    if (norm_coding_flag == 0) {
      header.put(static_cast<std::uint16_t>(diff_code[k]), 5);
    } else {
      const Word16 code = diff_code[k];
      header.put(static_cast<std::uint16_t>(norm_diff_huffman_codes[code]), norm_diff_huffman_lengths[code]);
    }
  }
  Word16 *w = header.finish();
  for (int g = 0; g < kNumBandGroups; g++) {
    if (g == kNumBandGroups - 1 && sub(nb, kReducedBands) <= 0) break;
    const Word16 first = band_group_first_band[g];
    const Word16 start = band_group_start[g];
    w += write_band_group_indices(indices + start, allocation, w, coefficient_coding_flag, first,
                                  add(first, band_group_band_count[g]), band_group_width[g]);
  }
  spend_spare_bits(normalized, allocation, band_order, indices, &w, nb, spare);
  *cursor = w;
}
