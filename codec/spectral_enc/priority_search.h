// The highest priority in a window of a 48-entry work array (entries beyond
// the coded bands hold MIN_16) and every position holding it: the search of
// the band sort and of the bit allocation's greedy pass, which take the
// lowest of those positions (the first maximum) and keep the set between
// steps.
//
// The original loops compare with sub(a, b) > 0 or < 0. A saturated
// difference keeps the sign of the exact one and is 0 only for equal
// operands, so those tests are a > b and a < b for every pair of values: the
// plain comparisons below pick the same positions for every input. They
// differ only in the Overflow flag, which the operator loops set when two
// priorities differ by more than 32767 (a served band, MIN_16, after a
// positive priority). The codec reads Overflow only right after clearing it
// (the transient detector's and the sub-block energy's carry handling).
#pragma once

#include <cstdint>

#include "basop/basop.h"

inline constexpr int kPriorityWorkSize = 48;

// The allocation's original search with the basic operators: the first
// position of the highest priority among positions 0..top.
Word16 first_max_position_saturating(const Word16 *priority, Word16 top);

// value: the highest of work[first..last]; positions: bit j set for every j
// in first..last with work[j] == value (never empty).
struct WindowMax {
  Word16 value;
  std::uint64_t positions;
};

// 0 <= first <= last < kPriorityWorkSize. The AVX2 variant when it is
// active.
WindowMax window_max(const Word16 *work, int first, int last);
WindowMax window_max_plain(const Word16 *work, int first, int last);

// AVX2 variant; only when g719_cpu_has_avx2(). Reads all 48 entries.
WindowMax window_max_avx2(const Word16 *work, int first, int last);
