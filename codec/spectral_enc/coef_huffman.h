// Huffman codes of the lattice index components for bands with 2 to 5 bits
// per coefficient. Each of the four codes is complete and prefix-free; code
// values are sent most significant bit first on their length in bits. The
// code of component k at R bits per coefficient is entry
// coef_huffman_offsets[R] + k of the code and length tables. Shared by the
// encoder (cost and writing) and the decoder (reading).
#pragma once

#include "basop/basop.h"

inline constexpr int kCoefHuffmanEntries = 60;  // 4 + 8 + 16 + 32 components
inline constexpr Word16 kCoefHuffmanMinBits = 2;
inline constexpr Word16 kCoefHuffmanMaxBits = 5;
inline constexpr int kCoefHuffmanMaxLength = 7;  // the longest code word

// Indexed by R = 0..5; only entries 2..5 are meaningful.
inline constexpr Word16 coef_huffman_offsets[kCoefHuffmanMaxBits + 1] = {0, 0, 0, 4, 12, 28};

inline constexpr Word16 coef_huffman_codes[kCoefHuffmanEntries] = {
    // R = 2
    0, 6, 7, 2,
    // R = 3
    0, 1, 9, 16, 17, 10, 11, 3,
    // R = 4
    0, 6, 6, 7, 20, 21, 22, 46, 47, 16, 17, 18, 19, 4, 5, 7,
    // R = 5
    0, 2, 8, 20, 21, 48, 49, 50, 51, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125,
    63, 52, 53, 54, 55, 22, 23, 9, 3};

inline constexpr Word16 coef_huffman_lengths[kCoefHuffmanEntries] = {
    // R = 2
    1, 3, 3, 2,
    // R = 3
    2, 2, 4, 5, 5, 4, 4, 2,
    // R = 4
    2, 3, 4, 4, 5, 5, 5, 6, 6, 5, 5, 5, 5, 4, 4, 3,
    // R = 5
    2, 3, 4, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 6, 6, 6, 6, 6, 5, 5, 4, 3};

// Bits that the indices of one band group cost when components of bands with
// 2 to 5 bits per coefficient are Huffman coded: for each band first..end-1,
// nothing at R = 0, width at R = 1, the code lengths of its width components
// at R = 2..5, and R * width at R >= 6. indices points at the group's first
// coefficient, each band taking width slots. Summed with add, on the kernel
// set K.
template <class K>
Word16 count_coefficient_huffman_bits(const Word16 *indices, const Word16 *allocation, Word16 first_band,
                                      Word16 end_band, Word16 width);

// bits plus the code lengths of the width components band[0 .. width-1] at R
// = 2..5 bits per coefficient (components masked to 0..2^R-1), added one by
// one with add. The AVX2 twin looks up and sums eight lengths on one
// register and adds the band's sum once: the same count and Overflow flag.
Word16 add_huffman_lengths(Word16 bits, const Word16 *band, Word16 width, Word16 r);
Word16 add_huffman_lengths_avx2(Word16 bits, const Word16 *band, Word16 width, Word16 r);
