// Nearest one-bit leader to a vector sorted in descending order, by squared
// distance to the leaders times 256; ties keep the lower leader.
#pragma once

#include "basop/basop.h"

// Largest magnitude of the sorted input for which no distance can saturate.
inline constexpr Word16 kOnebitPlainBound = 15000;

// The search with the basic operators (sub, shl, L_mult0, L_mac0, L_sub);
// valid for every input.
int nearest_onebit_leader_saturating(const Word16 *sorted);

// The same search in plain 32-bit arithmetic; only for inputs within
// +-kOnebitPlainBound, where it gives the same leader.
int nearest_onebit_leader_plain(const Word16 *sorted);

// The plain search when sorted[0] and sorted[7] are within the bound, else
// the saturating one.
int nearest_onebit_leader(const Word16 *sorted);
