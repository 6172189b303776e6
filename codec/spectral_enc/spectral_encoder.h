// Spectral encoder driver: turns one frame's 960 transform coefficients into
// the spectral part of the frame's bitstream.
#pragma once

#include "basop/basop.h"

// Writes the spectral part from *cursor on and leaves *cursor after its last
// word: the band-count, norm-coding and coefficient-coding flags, the first
// norm index (5 bits), the 43 norm differences (5-bit fields or Huffman
// codes), the coefficient indices of band groups 0..2 (and 3 when 44 bands
// are coded), then the spare-bit vectors.
//
// coefficients: Word32[960]; reordered in place for transient frames and
// partly rescaled while normalising (the caller must not rely on it after).
// normalized: Word16[800] out; entries of uncoded bands are not written.
// allocation: Word16[44] out, bits per coefficient after the spare bits
// (uncoded bands hold 0). budget: bits available to the spectral part
// (frame_bits - 1 for transient frames, frame_bits - 3 for stationary ones);
// at least 223 (flags, first norm and 5-bit norms), which every supported
// bitrate gives. The words written never exceed budget. frame_bits decides
// the band count: below 960 (32000 bit/s) only 36 bands are coded unless the
// loudest band is band 34 or higher. Runs on the kernel set K.
template <class K>
void g719_encode_spectrum(Word16 **cursor, Word32 *coefficients, Word16 *normalized, Word16 *allocation,
                          Word16 budget, Word16 frame_bits, Word16 transient);
