// Huffman code of the norm difference codes (difference + 15, 0..31).
// The code is complete and prefix-free; code values are sent most significant
// bit first on norm_diff_huffman_lengths[code] bits.
#pragma once

#include "basop/basop.h"
#include "frame/frame_geometry.h"

// The norms of a frame: the first index in a 5-bit field, then one
// difference code per further band, in 5-bit fields or Huffman coded.
inline constexpr Word16 kNormFieldBits = 5;
inline constexpr Word16 kNormDiffCount = kNumBands - 1;
inline constexpr Word16 kFixedNormBits = kNormDiffCount * kNormFieldBits;
inline constexpr int kNumNormDiffCodes = 32;

inline constexpr Word16 norm_diff_huffman_codes[kNumNormDiffCodes] = {
    26, 58, 90, 122, 27, 59, 91, 123, 12, 28, 44, 60, 2,  6,  4,  6,
    0,  2,  10, 14,  14, 30, 46, 62,  30, 62, 94, 126, 31, 63, 95, 127};

inline constexpr Word16 norm_diff_huffman_lengths[kNumNormDiffCodes] = {
    7, 7, 7, 7, 7, 7, 7, 7, 6, 6, 6, 6, 4, 4, 3, 3,
    3, 3, 4, 4, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7};

// Bits that the Huffman coding of count difference codes takes: the sum of
// their code lengths, accumulated with add. Codes outside 0..31 are counted
// as 7 bits (the longest code), so the result is defined for any input.
Word16 norm_diff_huffman_cost(const Word16 *diff_codes, Word16 count);
