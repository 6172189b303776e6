// Norm decoding: reading the 44 band norms of a frame back from its bit words
// and rebuilding their indices and levels in band order.
#pragma once

#include "basop/basop.h"

// Decodes count - 1 Huffman-coded norm difference symbols (0..31, difference
// + 15) into symbols[1 .. count-1]; symbols[0] is not touched. Reads the code
// words from cursor on, most significant bit first, through its own copy of
// the cursor; each symbol takes 3 to 7 words. The caller advances its cursor
// by the sum of norm_diff_huffman_lengths of the decoded symbols. Every bit
// pattern decodes (the code is complete).
void decode_norm_symbols(const Word16 *cursor, Word16 count, Word16 *symbols);

// Reads the first norm index (5 bits) and the 43 norm difference symbols of a
// frame into symbols[0 .. 43]: in 5-bit fields when huffman_coded is 0, with
// the difference Huffman code otherwise. Advances *cursor past them and
// returns the number of bits the 43 symbols took (215 in 5-bit mode).
Word16 read_norm_symbols(const Word16 **cursor, Word16 huffman_coded, Word16 *symbols);

// Rebuilds the 44 norm indices and levels in band order from symbols[0..43]
// (first index, then differences + 15). Each index is the previous one plus
// its difference, formed with add/sub, in band order for a stationary frame
// and in the transient coding order for a transient frame (then moved into
// band order). Each running sum is clamped to 0..39 as it is formed and the
// clamped value is the base of the next sum, so a corrupt stream still gives
// valid indices; a stream from a conformant encoder never gets clamped.
void rebuild_norm_indices(const Word16 *symbols, Word16 transient, Word16 *norm_index, Word16 *norm_level);

// Block-reading form of read_norm_symbols: the same symbols and count, the
// Huffman code words decoded from a 7-bit look-up. The reader ends up past
// the norms.
class BitWordReader;
Word16 read_norm_symbols(BitWordReader &reader, Word16 huffman_coded, Word16 *symbols);
