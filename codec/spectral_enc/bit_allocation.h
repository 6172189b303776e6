// Bit allocation: bits per coefficient (0..max_bits) for each coded band,
// computed identically by encoder and decoder from the clamped norm levels,
// the transient flag, the number of coded bands nb (36 or 44) and the bit
// budget left after the header and the norms. allocate_band_bits runs the
// whole computation; the sort and the greedy pass run on a kernel set K
// (their priority search, spectral_enc/priority_search.h).
#pragma once

#include "basop/basop.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/norm_huffman.h"

inline constexpr int kNumAllocationGroups = 20;
inline constexpr Word16 kMaxBitsPerCoefficient = 9;

// Perceptual group of each band (runs: bands 0..9 singly, then 10-11, 12-13,
// 14-15, 16-17, 18-19, 20-23, 24-26, 27-29, 30-34, 35-43).
inline constexpr Word16 allocation_group_of_band[kNumBands] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15,
    15, 15, 16, 16, 16, 17, 17, 17, 18, 18, 18, 18, 18, 19, 19, 19, 19, 19, 19, 19, 19, 19};

// Per perceptual group: lower bound of the group value, and the offset from
// which it is subtracted to form the weight.
inline constexpr Word16 allocation_floor_table[kNumAllocationGroups] = {8, 6, 3, 3, 3, 3, 3, 3, 3, 3,
                                                                        3, 3, 3, 3, 3, 3, 4, 5, 7, 11};
inline constexpr Word16 allocation_offset_table[kNumAllocationGroups] = {3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
                                                                         4, 4, 4, 5, 5, 6, 6, 6, 7, 8};

// priority_out[b] = levels[b] + a perceptual weight of 0..3, for all 44
// bands. In transient frames levels and weights are averaged over each
// quartet of bands (one frequency range of the four short blocks).
// Plain integer arithmetic when every level lies within
// +-kAllocationPlainBound (the codec's levels are -5..34), the basic
// operators otherwise; the same results and Overflow flag either way.
void compute_allocation_priorities(const Word16 *levels, Word16 *priority_out, Word16 transient);

inline constexpr Word16 kAllocationPlainBound = 3000;

// The priorities with the basic operators, valid for every input.
void compute_allocation_priorities_saturating(const Word16 *levels, Word16 *priority_out, Word16 transient);

// Selection sort of priority[0..nb-1] into descending order, swapping
// band_order along: step i swaps the first largest of priority[i..nb-1]
// into position i. Because it swaps, the order among equals is that of this
// exact procedure. The comparisons are plain ones (priority_search.h), so
// Overflow is never set.
template <class K>
void sort_bands_by_priority(Word16 *priority, Word16 nb, Word16 *band_order);

// Spends budget bits on the bands, in bits per coefficient: a greedy pass by
// priority (each bit lowers the band's priority by 2, at most max_bits per
// coefficient), then leftovers of at least 16 / 8 bits go to unserved or
// one-bit bands 16..23 / 0..15 in priority order (at most 2 bits there).
// priority (sorted) is overwritten; allocation must be zeroed by the caller;
// only bands band_order[0..nb-1] are changed. nb is at most 44. Each step
// serves the first highest priority of a window that grows from the top of
// the order; comparisons are plain ones (priority_search.h).
template <class K>
void allocate_bits(Word16 *priority, const Word16 *band_order, Word16 budget, Word16 nb, Word16 max_bits,
                   Word16 *allocation);

// The allocation of nb coded bands (36 or 44) from their clamped levels:
// band_order (44 entries) starts with the bands 0..nb-1 by descending
// priority (the order the spare bits follow), allocation holds the bits per
// coefficient of all 44 bands (0 for those not coded).
template <class K>
void allocate_band_bits(const Word16 *levels, Word16 transient, Word16 nb, Word16 budget, Word16 *band_order,
                        Word16 *allocation);

// Bits of a spectral part of `budget` bits left to the coefficients once its
// norms took norm_bits: less the three coding flags and the first norm index.
inline Word16 coefficient_bit_budget(Word16 budget, Word16 norm_bits) {
  return sub(sub(sub(budget, 3), kNormFieldBits), norm_bits);
}

// Bits the allocation costs at fixed width: sum of allocation x band width
// over bands 0..nb-1.
Word16 count_allocated_bits(const Word16 *allocation, Word16 nb);
