// The two ways d8_nearest_point computes its result. For every input it
// takes the plain one when each component lies within +-kD8PlainBound, where
// no basic operator of the search can saturate, and the one written with the
// basic operators otherwise; both give the same point there.
#pragma once

#include "basop/basop.h"

inline constexpr Word16 kD8PlainBound = 30000;

// The search with the basic operators; valid for every input.
void d8_nearest_point_saturating(const Word16 *y, Word16 *z, Word16 R);

// The search in plain integer arithmetic; only for components within
// +-kD8PlainBound.
void d8_nearest_point_plain(const Word16 *y, Word16 *z, Word16 R);
