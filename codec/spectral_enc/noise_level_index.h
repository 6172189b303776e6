// Noise-level index of a stationary frame: how loud the bands without bits
// really are relative to their norms, as the right shift (at most 3) that the
// decoder applies to its noise fill.
#pragma once

#include "basop/basop.h"

// normalized_spectrum: Word16[800] (coefficients over their band norm, Q8);
// allocation: Word16[44] after the spare bits were spent. Measures the
// unallocated bands below the highest allocated band and returns 7 minus
// their mean bit length (truncated), at most 3. The result is not bounded
// below: loud residue gives a negative value, of which the frame carries the
// two low bits. The AVX2 twin measures eight coefficients per step; the same
// index and flags.
Word16 g719_noise_level_index(const Word16 *normalized_spectrum, const Word16 *allocation);
Word16 g719_noise_level_index_avx2(const Word16 *normalized_spectrum, const Word16 *allocation);

// Their common steps: the highest band with bits (kNumBands when none), and
// the index from the summed bit lengths and the coefficient count.
Word16 noise_level_last_band(const Word16 *allocation);
Word16 noise_level_index_from_sums(Word16 bit_length_sum, Word16 count);
