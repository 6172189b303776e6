// Spectrum reconstruction: noise filling of bands without bits, upward
// folding above the last coded band, and scaling of every band by its norm.
#pragma once

#include "basop/basop.h"

// Turns the decoded normalized spectrum into the 800 coded transform
// coefficients of a frame.
//
// normalized: Word16[800], the decoded spectrum (coded coefficients carry the
//   constant offset 4, bands without bits hold 0); it is filled, folded and
//   attenuated in place.
// coefficients: Word32[960]; entries 0..799 are written, 800..959 untouched.
// allocation: Word16[44], bits per coefficient after the spare bits were
//   spent; a band counts as coded when its entry is not 0.
// transient: non-zero for a transient frame (fill every band, fold nothing).
// norm_indices: Word16[44] in band order, expected in 0..39.
// noise_level: the frame's 2-bit noise-level index (0 for transient frames);
//   filled bands up to the last coded band are shifted right by it.
//
// Depends only on its arguments; a frame with no coded band gives all zeros.
// Returns the largest magnitude of the 800 coefficients, as
// block_peak_magnitude (frame/block_scaling.h) would find it. Runs on the
// kernel set K.
template <class K>
Word32 reconstruct_spectrum(Word16 *normalized, Word32 *coefficients, const Word16 *allocation,
                            Word16 transient, const Word16 *norm_indices, Word16 noise_level);

// Copies v[s], v[s-1], ..., v[s-count+1] to v[k], v[k+1], ...; the sources
// lie below k. The AVX2 twin reverses 8 words at a time.
void copy_descending(Word16 *v, int s, int k, int count);
void copy_descending_avx2(Word16 *v, int s, int k, int count);
