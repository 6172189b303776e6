// Coefficient decoding: reading the quantization indices of the coded bands,
// turning them back into normalized coefficients, and decoding the spare-bit
// vectors of bands that got no bits.
//
// Index buffer: Word16[800], one slot per coefficient, laid out like the
// spectrum. A band with R >= 2 bits per coefficient holds one index component
// (0 .. 2^R - 1) per slot; a band with R = 1 holds one 8-bit codebook index
// per vector of 8 in the vector's first slot (the other 7 slots are not
// written or read).
//
// Normalized spectrum: Word16[800], Q8 (256 is the band's RMS). Every
// coefficient of a band with bits carries the constant offset 4; a band
// without bits is 0.
//
// The readers take their fields from a bit-word reader (frame/bit_words.h),
// exactly as many as the allocation asks for; they do not know the frame's
// length (see g719_decode_spectrum for how reads stay inside the bit-word
// array).
#pragma once

#include "basop/basop.h"
#include "frame/bit_words.h"

// Reads the indices of bands first_band .. end_band-1 (all of width `width`),
// into index[index_offset ..], and returns the number of bit words they
// took. Bands with R = 2..16 read width raw R-bit fields, except that with
// huffman_coded != 0 bands with 2 <= R <= 5 read width coefficient Huffman
// code words (decoded from a 7-bit look-up; the codes are complete, so every
// bit pattern decodes); bands with R = 1 read one 8-bit field per vector;
// other bands read nothing. The reader ends up past the fields read.
template <class K>
Word16 read_band_group_indices(BitWordReader<K> &reader, const Word16 *allocation, Word16 huffman_coded,
                               Word16 index_offset, Word16 first_band, Word16 end_band, Word16 width,
                               Word16 *index);

// Turns the indices of bands first_band .. end_band-1 into normalized
// coefficients. index and normalized point at the group's first coefficient;
// each band takes width slots of both. R >= 2: each vector of 8 goes through
// the lattice codebook of R bits and becomes 3 * 2^(9-R) * x + 4; R = 1: each
// vector is a one-bit codebook vector (components -462, -229, 4, 236, 469),
// or all 4 when its index is below 16 and the band's previous vector index
// was below 128; R = 0: all coefficients 0. The AVX2 twin takes a vector of
// R = 2..9 from its index to its scaled coefficients in one register and
// copies one-bit vectors from scaled_onebit_codebook(); bands with other
// allocations, vectors with an index component outside 0..2^R-1 and groups
// with widths outside 0..255 take the portable steps. Both give the same
// coefficients and Overflow flag for any input.
void dequantize_band_group(const Word16 *index, const Word16 *allocation, Word16 first_band, Word16 end_band,
                           Word16 width, Word16 *normalized);
void dequantize_band_group_avx2(const Word16 *index, const Word16 *allocation, Word16 first_band, Word16 end_band,
                                Word16 width, Word16 *normalized);

// The scaled one-bit codebook: row j (8 coefficients) is add(mult(shl(c,
// 8), 29789), 4) of the components c of onebit_codebook's vector j, or null
// when building a row saturated (the codebook's components are within +-2,
// so it never does). Built at start-up.
const Word16 *scaled_onebit_codebook();

// Spends spare_bits (may be negative) on bands without bits, in band_order
// (priority) order from sorted position 1 on: each band with allocation 0
// whose width fits in what is left is given R = 1, reads one 8-bit vector
// index per 8 coefficients (stored in the vector's first index slot, its 8
// normalized coefficients written as dequantize_band_group does for R = 1)
// and costs its width. Bands that do not fit are skipped, so a later
// narrower band can still be served. index and normalized are the whole
// 800-slot arrays. The reader ends up past the vectors read.
template <class K>
void decode_spare_bits(Word16 *allocation, const Word16 *band_order, Word16 *index, BitWordReader<K> &reader,
                       Word16 *normalized, Word16 nb, Word16 spare_bits);
