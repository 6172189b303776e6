// Constant tables of the lattice vector quantizer: the per-resolution shift
// tables of the D8 Voronoi codebooks (R = 2..9 bits per coefficient) and the
// 256-vector one-bit codebook (R = 1) with the tables that index it
// arithmetically. Shared by the encoder and the decoder.
#pragma once

#include "basop/basop.h"

inline constexpr int kLatticeMaxBits = 9;       // highest bits per coefficient
inline constexpr int kLatticeDim = 8;           // coefficients per vector
inline constexpr int kOnebitLeaders = 10;       // leaders of the one-bit codebook
inline constexpr int kOnebitCodebookSize = 256; // one 8-bit index per vector
inline constexpr Word16 kOnebitIndexBits = 8;

// Indexed by R (bits per coefficient); entries 0 and 1 are not used by the
// lattice quantizer.
// Right shift that maps a scaled coefficient to lattice units: 13 - R.
inline constexpr Word16 lattice_shift_table[kLatticeMaxBits + 1] = {0, 0, 11, 10, 9, 8, 7, 6, 5, 4};
// Mask of the bits that the shift drops: 2^(13-R) - 1.
inline constexpr Word16 lattice_mask_table[kLatticeMaxBits + 1] = {0, 0, 2047, 1023, 511, 255, 127, 63, 31, 15};
// Half a lattice unit: 2^(12-R).
inline constexpr Word16 lattice_half_table[kLatticeMaxBits + 1] = {0, 0, 1024, 512, 256, 128, 64, 32, 16, 8};
// Codebook modulus: 2^R index values per component.
inline constexpr Word16 lattice_modulus_table[kLatticeMaxBits + 1] = {0, 1, 4, 8, 16, 32, 64, 128, 256, 512};

// The ten leaders of the one-bit codebook, components in descending order,
// in codebook units (the quantizer compares against them times 256).
inline constexpr Word16 onebit_leader_table[kOnebitLeaders][kLatticeDim] = {
    {0, 0, 0, 0, 0, 0, 0, -2},     {2, 0, 0, 0, 0, 0, 0, 0},      {0, 0, 0, 0, 0, 0, -2, -2},
    {2, 0, 0, 0, 0, 0, 0, -2},     {2, 2, 0, 0, 0, 0, 0, 0},      {1, 1, 1, 1, 1, 1, -1, -1},
    {1, 1, 1, 1, -1, -1, -1, -1},  {1, 1, -1, -1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1, -1, -1, -1},
    {1, 1, 1, 1, 1, 1, 1, 1}};

// Codebook index of each leader's first vector.
inline constexpr Word16 onebit_leader_base_table[kOnebitLeaders] = {0, 8, 16, 44, 100, 128, 128, 128, 128, 128};

// Per leader, a 1 at each sorted position whose value (after the input
// positions are put back) selects the codevector within the leader: the
// negative components of leaders 0, 2, 5, 6, 7, 8, the +2 of leaders 1 and 4,
// both +-2 of leader 3, nothing for leader 9.
inline constexpr Word16 onebit_position_mask_table[kOnebitLeaders][kLatticeDim] = {
    {0, 0, 0, 0, 0, 0, 0, 1}, {1, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 1, 1}, {1, 0, 0, 0, 0, 0, 0, 1},
    {1, 1, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 1, 1}, {0, 0, 0, 0, 1, 1, 1, 1}, {0, 0, 1, 1, 1, 1, 1, 1},
    {1, 1, 1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0, 0, 0}};

// Rank of a set of input positions (bit p of the table index = position p)
// within its leader: one position p gives p; two give their lexicographic
// pair rank 0..27; four give 28..97 in codebook row order; six give 98 plus
// the pair rank of the two missing positions; all eight give 126; none 127.
// Other odd counts are 0 and never used.
extern const Word16 (&onebit_rank_table)[kOnebitCodebookSize];

// The one-bit codebook: 256 vectors of 8 components, component i of the
// vector with index j at onebit_codebook[j * 8 + i].
extern const Word16 (&onebit_codebook)[kOnebitCodebookSize * kLatticeDim];
