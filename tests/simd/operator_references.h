// Codec steps written with the basic operators, step by step, as the codec
// defines them, where the codec itself runs a faster form (plain comparisons,
// exact 64-bit sums, sums instead of distances). The tests hold the codec's
// forms to these.
#pragma once

#include "basop/basop.h"
#include "transform/subblock_energy.h"

// The sub-block energy accumulated with the carry arithmetic (L_add_c of each
// L_mult(y, y)), every overflow of the low part moving into the high part.
// Clears Overflow and Carry first and leaves both 0.
SubblockEnergy subblock_energy_carry(const Word16 *y, int n);

// The first position of the highest priority among positions 0..top,
// compared with sub.
Word16 first_max_position_saturating(const Word16 *priority, Word16 top);

// The band sort as a selection sort comparing with sub over the whole
// remaining range at every step.
void sort_bands_by_priority_reference(Word16 *priority, Word16 nb, Word16 *band_order);

// The bit allocation's greedy pass searching the whole window with
// first_max_position_saturating at every step, counting with the operators.
void allocate_bits_reference(Word16 *priority, const Word16 *band_order, Word16 budget, Word16 nb,
                             Word16 max_bits, Word16 *allocation);

// The one-bit quantization of y: the sort comparing with sub, the
// saturating leader search, the index with the operators.
void quantize_onebit_reference(Word16 *y, Word16 *out);

// The band coder's one-bit path for one vector of normalised coefficients:
// c = sub(v, 4), y = add(c, mult(c, 3277)), then quantize_onebit_reference.
void quantize_scaled_onebit_reference(const Word16 *v, Word16 *out);
