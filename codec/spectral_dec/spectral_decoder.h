// Spectral decoder: reads the spectral part of one frame (coding flags, band
// norms, coefficient indices, spare-bit vectors) and gives back the norm
// indices, the bit allocation and the normalized spectrum.
#pragma once

#include "basop/basop.h"

// Decodes the spectral part of a frame, on the kernel set K.
//
// cursor: address of the caller's bit-word cursor, positioned on the word
//   after the transient flag; on return it points at the first word after
//   the last spare-bit vector (where a stationary frame's noise-level index
//   starts).
// end: the end of the caller's bit-word array. The words are loaded 16 at a
//   time, up to 64 words ahead of the fields, but no word at or past end is
//   ever loaded: those read as 0 bits, like BIT_WORD_ZERO padding.
// budget: the bits of the frame available to the spectral part
//   (frame_bits - 1 for a transient frame, frame_bits - 3 for a stationary
//   one). The bit allocation is recomputed from it and from the decoded
//   norms exactly as the encoder computed it.
// transient: non-zero for a transient frame (norms in the transient coding
//   order, allocation priorities averaged over quartets of bands).
// norm_index: Word16[44] out, band order, always 0..39.
// allocation: Word16[44] out, bits per coefficient 0..9 after the spare-bit
//   vectors (a band served by spare bits has 1).
// normalized: Word16[800] out, every entry written.
//
// Reads: the fields are taken as the frame's flags and norms demand and are
// never compared with the frame length. A frame from a conformant encoder
// stays within its budget; any other bit pattern reads at most
// kDecoderBitWordsCapacity - 1 words after the cursor (the bound is derived
// in frame/codec_state.h), so an array of kDecoderBitWordsCapacity words
// from the transient flag on, padded with BIT_WORD_ZERO past the frame,
// holds every field any frame can ask for.
template <class K>
void g719_decode_spectrum(const Word16 **cursor, const Word16 *end, Word16 budget, Word16 transient,
                          Word16 *norm_index, Word16 *allocation, Word16 *normalized);
