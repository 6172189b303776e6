// Nearest one-bit leader to a vector sorted in descending order, by squared
// distance to the leaders times 256; ties keep the lower leader. Also the
// whole one-bit quantization of a vector (sort, leader, codebook index),
// with the reference and the fast variants.
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

// The same leader from eight sums of the input (no loop over the leaders);
// only for inputs within +-kOnebitPlainBound, where it equals the plain one.
int nearest_onebit_leader_sums(const Word16 *sorted);

// The sums search on one AVX2 register; the same leader within the bound.
// Only when g719_cpu_has_avx2().
int nearest_onebit_leader_sums_avx2(const Word16 *sorted);

// The sums search when sorted[0] and sorted[7] are within the bound, else
// the saturating one.
int nearest_onebit_leader(const Word16 *sorted);

// One-bit quantization of the scaled vector y: sorts y in place (descending,
// by a selection sort that swaps the first largest remaining value into
// place, which fixes the input position each sorted place refers to when
// values are equal) and writes the 8-bit codebook index to out[0].
//
// With the basic operators: the reference of the fast variants.
void quantize_onebit_reference(Word16 *y, Word16 *out);
// Plain comparisons and the sums search: the same y and out[0]. Unlike the
// reference it never sets Overflow in the sort (where a comparison's sub of
// values more than 32767 apart saturates); the flag is not read there.
void quantize_onebit_portable(Word16 *y, Word16 *out);
// The sort on one vector register; the same y and out[0] as the portable
// variant, and the same flag. Only when g719_cpu_has_avx2().
void quantize_onebit_avx2(Word16 *y, Word16 *out);
// The AVX2 variant when it is active (frame/cpu_dispatch.h), else the
// portable one.
void quantize_onebit(Word16 *y, Word16 *out);

// The one-bit path of the band coder from the Q8 normalised coefficients
// v[0..7]: y[i] = add(c, mult(c, 3277)) with c = sub(v[i], 4), that is
// (v - 4) * 1.1 on the codebook's scale, then the quantization of y (which
// is not returned). The reference scales with the basic operators and
// quantizes with quantize_onebit_reference; the AVX2 variant (only when
// g719_cpu_has_avx2()) gives the same index, and the Overflow flag of the
// operator scaling followed by quantize_onebit_portable (no flag from the
// sort).
void quantize_scaled_onebit_reference(const Word16 *v, Word16 *out);
void quantize_scaled_onebit_avx2(const Word16 *v, Word16 *out);
// quantize_scaled_onebit_avx2 for count vectors in one call: vector n from
// v + 8n, its index to out[8n].
void quantize_scaled_onebit_vectors_avx2(const Word16 *v, Word16 *out, Word16 count);

// Codebook index of the sorted vector's nearest codevector from its leader
// and the input position of each sorted place (perm).
Word16 onebit_codebook_index(int leader, const Word16 *perm);
