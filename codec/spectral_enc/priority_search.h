// The search of the bit allocation's greedy pass: the first position of the
// highest priority among positions 0..top of a 48-entry work array (entries
// beyond the coded bands hold MIN_16).
//
// The allocation's loop compares with sub(priority[j], max) > 0. A saturated
// difference keeps the sign of the exact one and is 0 only for equal
// operands, so that test is priority[j] > max for every pair of values: the
// plain searches below find the same position for every input. They differ
// only in the Overflow flag, which the operator loop sets when two priorities
// differ by more than 32767 (a served band, MIN_16, after a positive
// priority). The codec reads Overflow only right after clearing it (the
// transient detector's and the sub-block energy's carry handling), so the
// allocation uses the plain searches throughout.
#pragma once

#include "basop/basop.h"

inline constexpr int kPriorityWorkSize = 48;

// The allocation's loop with the basic operators; valid for every input.
Word16 first_max_position_saturating(const Word16 *priority, Word16 top);

// Plain comparisons; the AVX2 variant when it is active. top in 0..43.
Word16 first_max_position(const Word16 *work, Word16 top);
Word16 first_max_position_plain(const Word16 *work, Word16 top);

// AVX2 variant; only when g719_cpu_has_avx2(). Reads all 48 entries.
Word16 first_max_position_avx2(const Word16 *work, Word16 top);
