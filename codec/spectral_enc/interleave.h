// Interleaving of the four short spectra of a transient frame into the long
// band layout, so that norms, allocation and quantization treat a transient
// frame like a stationary one.
#pragma once

#include "basop/basop.h"
#include "frame/frame_geometry.h"

// Number of segments each short spectrum's first 200 coefficients are cut
// into, and their edges within a short spectrum (the long band-group edges
// and their in-between multiples, divided by 4).
inline constexpr int kInterleaveSegments = 9;
inline constexpr Word16 interleave_segment_edges[kInterleaveSegments + 1] = {0,  16,  32,  48,  64,
                                                                              88, 112, 136, 168, 200};

// coefficients: Word32[960], sub-block s at 240*s .. 240*s+239 on entry. On
// return positions 0..799 hold, segment by segment, the segment of
// sub-block 0, 1, 2, 3 in turn; positions 800..959 are left untouched and
// coefficients 200..239 of each sub-block are dropped.
void interleave_transient_spectrum(Word32 *coefficients);
