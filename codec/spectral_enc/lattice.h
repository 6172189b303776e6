// Lattice vector quantization of 8 normalised coefficients on the D8 lattice
// (integer vectors with an even sum) with a Voronoi codebook of 2^(8R) points
// for R = 2..9 bits per coefficient. d8_index_to_point is the decoder's
// reconstruction primitive; the encoder uses the same function to check that
// a point lies in the codebook, so both sides agree bit for bit.
//
// All functions take R in 2..9 where an R is passed; for any other R they
// write zeros and touch no table.
#pragma once

#include "basop/basop.h"

// Nearest D8 point to y / 2^(13-R), component-wise rounding with halves
// toward zero, then, if the sum is odd, the component with the largest
// rounding error (first on ties) is moved one step the other way.
void d8_nearest_point(const Word16 *y, Word16 *z, Word16 R);

// Index components k[0..7] (each 0..modulus-1) of the D8 point z: its
// coordinates in the basis (2e0, e0 + ei) modulo modulus = 2^R.
void d8_point_to_index(const Word16 *z, Word16 *k, Word16 modulus);

// The codebook point x that the index components k stand for at R bits per
// coefficient: the point v = (2k0 + k1 + ... + k7, k1, ..., k7) reduced into
// the Voronoi region of 2^R * D8.
void d8_index_to_point(const Word16 *k, Word16 *x, Word16 R);

// Quantizes the scaled vector y (modified: halved in place while it lies
// outside the codebook) to the index components k. A vector that still lies
// outside after 15 halvings gets the all-zero index; one that fits is grown
// again in steps of 1/16 as long as the grown vector still fits.
void lattice_quantize_vector(Word16 *y, Word16 *k, Word16 modulus, Word16 R);

// The band coder's lattice path from the Q8 normalised coefficients v[0..7]:
// y[i] = extract_l(L_shr(L_mult0(21845, sub(v[i], 4)), 12)), that is
// (v - 4) * 16/3 on the lattice scale (the decoder rebuilds with an offset
// of 4), then lattice_quantize_vector of y at modulus 2^R (y itself is not
// returned).
void lattice_quantize_scaled(const Word16 *v, Word16 *k, Word16 R);

// lattice_quantize_scaled for count vectors of 8 (v and k advance by 8 per
// vector). The AVX2 twin holds a vector in one register and runs the whole
// search there in plain lane arithmetic, which is exact for a vector whose
// scaling cannot saturate and whose scaled components lie within
// +-kD8PlainBound (spectral_enc/d8_nearest_paths.h): every vector the
// search then tries stays within that bound and its nearest point within
// +-1876. Other vectors, and any R outside 2..9, take
// lattice_quantize_scaled; so both twins give the same indices and Overflow
// flag for every input.
void lattice_quantize_vectors(const Word16 *v, Word16 *k, Word16 count, Word16 R);
void lattice_quantize_vectors_avx2(const Word16 *v, Word16 *k, Word16 count, Word16 R);
