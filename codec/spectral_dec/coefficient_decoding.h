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
// All readers take their words from a bit-word cursor and read exactly as
// many words as the fields ask for; they do not know the frame's length (see
// g719_decode_spectrum for how reads stay inside the bit-word array).
#pragma once

#include "basop/basop.h"

// Reads the indices of bands first_band .. end_band-1 (all of width `width`),
// starting at index[index_offset], from cursor on, and returns the number of
// words read. Bands with R >= 2 read width raw R-bit fields, except that with
// huffman_coded != 0 bands with 2 <= R <= 5 read width coefficient Huffman
// code words; bands with R = 1 read one 8-bit field per vector; bands with
// R <= 0 read nothing. The caller's cursor is not moved; advance it by the
// result.
Word16 read_band_group_indices(const Word16 *allocation, const Word16 *cursor, Word16 huffman_coded,
                               Word16 index_offset, Word16 first_band, Word16 end_band, Word16 width,
                               Word16 *index);

// Decode count index components of a band with 2, 3, 4 or 5 bits per
// coefficient from their Huffman code words (1..3, 2..5, 2..6 and 2..7 bits
// each) into out[0 .. count-1]. They read from their copy of the cursor and
// move nothing; a component k took coef_huffman_lengths[coef_huffman_offsets
// [R] + k] words. Every bit pattern decodes (the codes are complete).
void decode_index_r2(const Word16 *cursor, Word16 count, Word16 *out);
void decode_index_r3(const Word16 *cursor, Word16 count, Word16 *out);
void decode_index_r4(const Word16 *cursor, Word16 count, Word16 *out);
void decode_index_r5(const Word16 *cursor, Word16 count, Word16 *out);

// Turns the indices of bands first_band .. end_band-1 into normalized
// coefficients. index and normalized point at the group's first coefficient;
// each band takes width slots of both. R >= 2: each vector of 8 goes through
// the lattice codebook of R bits and becomes 3 * 2^(9-R) * x + 4; R = 1: each
// vector is a one-bit codebook vector (components -462, -229, 4, 236, 469),
// or all 4 when its index is below 16 and the band's previous vector index
// was below 128; R = 0: all coefficients 0.
void dequantize_band_group(const Word16 *index, const Word16 *allocation, Word16 first_band, Word16 end_band,
                           Word16 width, Word16 *normalized);
// The operator form of dequantize_band_group, vector by vector; the
// reference of dequantize_band_group_avx2 (dequantize_avx2.h), which
// dequantize_band_group runs when g719_avx2_active().
void dequantize_band_group_portable(const Word16 *index, const Word16 *allocation, Word16 first_band,
                                    Word16 end_band, Word16 width, Word16 *normalized);

// Reads num_vectors 8-bit codebook indices from *cursor on (advancing it by 8
// per vector), stores each in the first index slot of its vector and writes
// the vector's 8 normalized coefficients as dequantize_band_group does for
// R = 1. index and normalized point at the band's first coefficient.
void decode_onebit_vectors(Word16 *index, const Word16 **cursor, Word16 num_vectors, Word16 *normalized);

// Spends spare_bits (may be negative) on bands without bits, in band_order
// (priority) order from sorted position 1 on: each band with allocation 0
// whose width fits in what is left is given R = 1, reads one 8-bit vector
// index per 8 coefficients (advancing *cursor) and costs its width. Bands
// that do not fit are skipped, so a later narrower band can still be served.
// index and normalized are the whole 800-slot arrays.
void decode_spare_bits(Word16 *allocation, const Word16 *band_order, Word16 *index, const Word16 **cursor,
                       Word16 *normalized, Word16 nb, Word16 spare_bits);

// Block-reading forms of read_band_group_indices and decode_spare_bits: the
// same fields, indices, coefficients and counts, taken from a BitWordReader
// (16 words loaded at a time, code words decoded from a 7-bit look-up
// instead of bit by bit). The reader ends up past the fields read.
class BitWordReader;
Word16 read_band_group_indices(BitWordReader &reader, const Word16 *allocation, Word16 huffman_coded,
                               Word16 index_offset, Word16 first_band, Word16 end_band, Word16 width,
                               Word16 *index);
void decode_spare_bits(Word16 *allocation, const Word16 *band_order, Word16 *index, BitWordReader &reader,
                       Word16 *normalized, Word16 nb, Word16 spare_bits);
