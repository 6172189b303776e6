// The highest priority in a window of a 48-entry work array (entries beyond
// the coded bands hold MIN_16) and every position holding it: the search of
// the band sort and of the bit allocation's greedy pass, which take the
// lowest of those positions (the first maximum) and keep the set between
// steps.
//
// The sort and the greedy pass order priorities as the tests sub(a, b) > 0
// and sub(a, b) < 0 would. A saturated difference keeps the sign of the exact
// one and is 0 only for equal operands, so those tests are a > b and a < b
// for every pair of values: the plain comparisons below pick the same
// positions for every input. Unlike the operator tests they never set
// Overflow, which sub would set when two priorities differ by more than 32767
// (a served band, MIN_16, after a positive priority). The codec reads
// Overflow only right after clearing it (the transient detector's carry
// handling).
#pragma once

#include <cstdint>

#include "basop/basop.h"

inline constexpr int kPriorityWorkSize = 48;

// value: the highest of work[first..last]; positions: bit j set for every j
// in first..last with work[j] == value (never empty).
struct WindowMax {
  Word16 value;
  std::uint64_t positions;
};

// 0 <= first <= last < kPriorityWorkSize. The AVX2 twin reads all 48
// entries.
WindowMax window_max(const Word16 *work, int first, int last);
WindowMax window_max_avx2(const Word16 *work, int first, int last);
