// Bit allocation: bits per coefficient (0..max_bits) for each coded band,
// computed identically by encoder and decoder from the clamped norm levels,
// the transient flag, the number of coded bands nb (36 or 44) and the bit
// budget left after the header and the norms.
//
// Calling order: band_order[i] = i for i < nb; compute_allocation_priorities;
// sort_bands_by_priority; zero all 44 allocation entries; allocate_bits.
#pragma once

#include "basop/basop.h"
#include "spectral_enc/band_tables.h"

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

// The priorities with the basic operators, valid for every input: the
// reference of the plain computation.
void compute_allocation_priorities_reference(const Word16 *levels, Word16 *priority_out, Word16 transient);

// Selection sort of priority[0..nb-1] into descending order, swapping
// band_order along. Ties keep the earlier position as the pick; because it
// swaps, the order among equals is that of this exact procedure.
void sort_bands_by_priority(Word16 *priority, Word16 nb, Word16 *band_order);

// The same sort searching the whole remaining range with the basic operators
// at every step: the reference the tests hold sort_bands_by_priority to
// (same priorities and order; only the Overflow flag can differ, set here
// when two priorities differ by more than 32767).
void sort_bands_by_priority_reference(Word16 *priority, Word16 nb, Word16 *band_order);

// Spends budget bits on the bands, in bits per coefficient: a greedy pass by
// priority (each bit lowers the band's priority by 2, at most max_bits per
// coefficient), then leftovers of at least 16 / 8 bits go to unserved or
// one-bit bands 16..23 / 0..15 in priority order (at most 2 bits there).
// priority (sorted) is overwritten; allocation must be zeroed by the caller;
// only bands band_order[0..nb-1] are changed. nb is at most 44.
void allocate_bits(Word16 *priority, const Word16 *band_order, Word16 budget, Word16 nb, Word16 max_bits,
                   Word16 *allocation);

// The same pass with a search of the whole window by the basic operators at
// every step: the reference the tests hold allocate_bits to. Both give the
// same allocation and priorities; only the Overflow flag can differ (the
// reference's comparisons saturate against a served band's MIN_16).
void allocate_bits_reference(Word16 *priority, const Word16 *band_order, Word16 budget, Word16 nb,
                             Word16 max_bits, Word16 *allocation);

// Bits the allocation costs at fixed width: sum of allocation x band width
// over bands 0..nb-1.
Word16 count_allocated_bits(const Word16 *allocation, Word16 nb);
