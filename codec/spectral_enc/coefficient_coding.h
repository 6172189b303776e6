// Coefficient coding of the spectral encoder: normalisation of each band by
// its quantized norm, lattice quantization of the normalised coefficients
// band group by band group, the cost and the writing of their indices, and
// the spending of the bits left over on bands that got none.
//
// Band-group arguments: first_band..end_band-1 are bands of one group, all
// width coefficients wide, and the coefficient, spectrum and index pointers
// point at the group's first coefficient (band first_band + n starts n *
// width further on). Index slots: for R >= 2 one component (0..2^R-1) per
// coefficient; for R = 1 the 8-bit codebook index of each vector of 8 in the
// vector's first slot. R never exceeds kMaxBitsPerCoefficient
// (spectral_enc/bit_allocation.h).
#pragma once

#include "basop/basop.h"

// Divides each band's coefficients by the band's quantized RMS into Q8 (256
// = the RMS): x * 2^(norm_index/2 - 17), odd indices through sqrt(1/2). Odd
// bands' coefficients are rescaled in place. The result keeps the low 16 bits
// of the shifted value. The AVX2 twin gives the same values, rescaled
// coefficients and Overflow flag, eight coefficients per step.
void normalize_band_coefficients(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                 Word16 end_band, Word16 width, Word16 *out);
void normalize_band_coefficients_avx2(Word32 *coefficients, const Word16 *norm_index, Word16 first_band,
                                      Word16 end_band, Word16 width, Word16 *out);

// Quantizes the normalised coefficients of a band group with the allocation's
// bits per coefficient: lattice indices for R = 2..9, one-bit codebook
// indices for R = 1, nothing for other R (their slots are left untouched).
// Runs on the kernel set K.
template <class K>
void quantize_band_group(const Word16 *normalized, const Word16 *allocation, Word16 first_band, Word16 end_band,
                         Word16 width, Word16 *indices);

// Writes a band group's indices from words on and returns the number of bit
// words written. R = 1: one 8-bit index per vector. R = 2..16: R-bit fields,
// except that with coefficient_coding_flag set bands with R = 2..5 use the
// coefficient Huffman codes. The count equals the group's fixed-width cost
// (flag 0) or count_coefficient_huffman_bits (flag 1).
Word16 write_band_group_indices(const Word16 *indices, const Word16 *allocation, Word16 *words,
                                Word16 coefficient_coding_flag, Word16 first_band, Word16 end_band, Word16 width);

// Spends spare bits on bands with no bits, in priority order (band_order
// positions 1..nb-1; position 0 is never served): each band whose width still
// fits the remaining spare bits gets allocation 1 and is sent as one-bit
// vectors at *cursor (its 8-bit codebook indices, each also kept in its
// vector's first index slot), which advances by the band's width. Bands that
// do not fit are skipped. normalized and indices are the full
// 800-coefficient arrays. Runs on the kernel set K.
template <class K>
void spend_spare_bits(const Word16 *normalized, Word16 *allocation, const Word16 *band_order, Word16 *indices,
                      Word16 **cursor, Word16 nb, Word16 spare);
