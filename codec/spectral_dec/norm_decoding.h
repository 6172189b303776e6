// Norm decoding: reading the 44 band norms of a frame back from its bit words
// and rebuilding their indices and levels in band order.
#pragma once

#include "basop/basop.h"
#include "frame/bit_words.h"

// Reads the first norm index (5 bits) and the 43 norm difference symbols
// (difference + 15, 0..31) of a frame into symbols[0 .. 43]: in 5-bit fields
// when huffman_coded is 0, with the difference Huffman code otherwise (3 to
// 7 bits a symbol, decoded from a 7-bit look-up; every bit pattern decodes,
// the code is complete). The reader ends up past the norms. Returns the
// number of bits the 43 symbols took (215 in 5-bit mode).
template <class K>
Word16 read_norm_symbols(BitWordReader<K> &reader, Word16 huffman_coded, Word16 *symbols);

// Rebuilds the 44 norm indices and levels in band order from symbols[0..43]
// (first index, then differences + 15). Each index is the previous one plus
// its difference, formed with add/sub, in band order for a stationary frame
// and in the transient coding order for a transient frame (then moved into
// band order). Each running sum is clamped to 0..39 as it is formed and the
// clamped value is the base of the next sum, so a corrupt stream still gives
// valid indices; a stream from a conformant encoder never gets clamped.
void rebuild_norm_indices(const Word16 *symbols, Word16 transient, Word16 *norm_index, Word16 *norm_level);
