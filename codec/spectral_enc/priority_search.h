// The search of the bit allocation's greedy pass: the first position of the
// highest priority among positions 0..top of a 48-entry work array (entries
// beyond the coded bands hold MIN_16).
//
// The allocation compares with sub(priority[j], max) > 0, which saturates
// (and sets Overflow) only when two priorities differ by more than 32767;
// while every priority lies within +-kPrioritySearchPlainBound none can,
// and the plain searches below give the same position. Otherwise the
// allocation uses first_max_position_saturating.
#pragma once

#include "basop/basop.h"

inline constexpr int kPriorityWorkSize = 48;
inline constexpr Word16 kPrioritySearchPlainBound = 16383;

// The allocation's loop with the basic operators; valid for every input.
Word16 first_max_position_saturating(const Word16 *priority, Word16 top);

// Plain comparisons; the AVX2 variant when it is active. Only for
// priorities within +-kPrioritySearchPlainBound; top in 0..43.
Word16 first_max_position(const Word16 *work, Word16 top);
Word16 first_max_position_plain(const Word16 *work, Word16 top);

// AVX2 variant; only when g719_cpu_has_avx2(). Reads all 48 entries.
Word16 first_max_position_avx2(const Word16 *work, Word16 top);
