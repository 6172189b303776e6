// The lattice quantizer's two paths. lattice_quantize_vector and
// d8_index_to_point (lattice.h) take the AVX2 kernel when it is active and
// accepts the input, and the portable path otherwise; both give the same
// index, the same halved vector and the same point.
//
// The kernels hold the eight components of a vector in one register and run
// the whole search there: nearest point, index, codebook point and the
// codebook test, with plain 16-bit lane arithmetic. They accept only inputs
// on which no basic operator of the portable path can saturate:
//  - lattice_quantize_vector_avx2: R in 2..9, modulus 2^R, every component
//    within +-kD8PlainBound. Every vector the search then tries (the input,
//    its halvings and the halved vector grown by at most 15/16) stays within
//    that bound, where the plain nearest-point search is exact (see
//    d8_nearest_paths.h), and its nearest point within +-1876.
//  - d8_index_to_point_avx2: R in 2..9, every index component in 0..2^R-1
//    (as every index the encoder forms and every one the decoder reads).
//    Then 2k0 + k1 + ... + k7 <= 9 (2^R - 1), scaled by 2^(13-2R) it stays
//    below 14000, and the nearest point n of that vector gives |n 2^R| <=
//    5120: no step can saturate.
// They return false, writing nothing, when they decline an input.
//
// lattice_quantize_scaled_vectors_avx2 is the band coder's lattice path for
// count vectors of 8 normalised coefficients (v and k advance by 8 per
// vector) in one call: the scaling of lattice_quantize_scaled_portable and
// the search of lattice_quantize_vector_avx2 on the register. A vector whose
// scaling would saturate or whose scaled components leave +-kD8PlainBound
// takes lattice_quantize_scaled_portable instead, so every vector gets that
// function's index, and Overflow, for any input and any R. Only when
// g719_cpu_has_avx2().
#pragma once

#include "basop/basop.h"

bool lattice_quantize_vector_avx2(Word16 *y, Word16 *k, Word16 modulus, Word16 R);
bool d8_index_to_point_avx2(const Word16 *k, Word16 *x, Word16 R);
void lattice_quantize_scaled_vectors_avx2(const Word16 *v, Word16 *k, Word16 count, Word16 R);

// The portable paths, written with the basic operators; the references the
// kernels are tested against.
void lattice_quantize_vector_portable(Word16 *y, Word16 *k, Word16 modulus, Word16 R);
void d8_index_to_point_portable(const Word16 *k, Word16 *x, Word16 R);
// The lattice path of the band coder from the Q8 normalised coefficients
// v[0..7]: y[i] = extract_l(L_shr(L_mult0(21845, sub(v[i], 4)), 12)), that
// is (v - 4) * 16/3 on the lattice scale (the decoder rebuilds with an
// offset of 4), then lattice_quantize_vector_portable of y (y itself is not
// returned).
void lattice_quantize_scaled_portable(const Word16 *v, Word16 *k, Word16 R);
