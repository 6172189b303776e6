// Band norms: quantization of a band's RMS to a norm index, clamping of
// neighbouring indices so that their differences fit the difference code,
// and the reordering between band order and the transient coding order.
#pragma once

#include "basop/basop.h"
#include "spectral_enc/band_tables.h"

// Norm index of one band: the nearest integer to 50 - log2(mean of x^2) over
// the band's width coefficients (rounding boundary at the geometric midpoint
// of a factor of two), limited to 0..index_limit-1. index_limit is 32 for
// band 0 and 40 for the others; group (0..3) selects the group's shift offset
// and reciprocal width. An all-zero band gets index_limit - 1.
void compute_band_norm_index(const Word32 *coefficients, Word16 *index_out, Word16 index_limit, Word16 width,
                             Word16 group);

// Norm index of every band of the frame (band b from coefficients +
// band_start_table[b], with the width and group of its band group and
// index limit 32 for band 0, 40 for the others) into norm_index[0..43]:
// compute_band_norm_index band by band. The AVX2 twin takes each band's
// peak and energy in one pass pair; the same indices and Overflow flag.
void compute_norm_indices(const Word32 *coefficients, Word16 *norm_index);
void compute_norm_indices_avx2(const Word32 *coefficients, Word16 *norm_index);

// The index from the band's energy (the saturating sum of the squared high
// halves, summed at the given block shift): the common last step.
Word16 band_norm_index_from_energy(Word32 energy, Word16 shift, Word16 index_limit, Word16 group);

// The same in plain arithmetic, for 0 <= energy <= MAX_32, shift in -2..29
// (every block shift of a band) and group 0..3: L_mls adds
// (lo16 * r) >> 15 < 2^13 to 2 * hi16 * r < 2^28 (r <= 4096), the doubled
// shift difference lies in -36..26, and L_shl by norm_l never saturates; no
// operator of the basic-operator version can saturate there, so the plain
// values are its values.
inline Word16 band_norm_index_from_energy_plain(Word32 energy, int shift, Word16 index_limit, Word16 group) {
  const Word32 r = reciprocal_width_table[group];
  const Word32 mean = (((energy & 0xFFFF) * r) >> 15) + (energy >> 16) * r * 2;
  const int n = norm_l(mean);
  int e = n + (shift - 16) * 2;
  if ((mean << n) < 0x5A82799A) e += 1;
  int index = 19 + e;
  if (index < 0) index = 0;
  if (index > index_limit - 1) index = index_limit - 1;
  return static_cast<Word16>(index);
}

// Copies indices and levels from band order into the transient coding order:
// index_out[k] = index[transient_norm_order[k]], likewise for level.
void transient_norms_to_coding_order(const Word16 *index, const Word16 *level, Word16 *index_out,
                                     Word16 *level_out);

// Clamps neighbouring indices (in coding order) so that every difference lies
// in -15..+16, only ever lowering indices: a backward pass lowers an index
// that lies more than 15 above its successor, then a forward pass lowers an
// index that lies more than 16 above its predecessor. For k >= 1 it writes
// level_out[k] (level of the clamped index) and diff_code_out[k-1] (the
// difference + 15, 0..31). index[0] may be changed; level_out[0] is not
// written.
void limit_and_code_norm_differences(Word16 *level_out, Word16 count, Word16 *index, Word16 *diff_code_out);

// Moves 44 indices from transient coding order back to band order and looks
// up their levels: index_out[b] = index_coded[transient_norm_position[b]],
// level_out[b] = its norm level (norm_level_of, so any index is safe).
void norms_to_band_order(const Word16 *index_coded, Word16 *index_out, Word16 *level_out);
