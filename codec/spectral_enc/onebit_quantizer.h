// One-bit quantization of vectors of 8 coefficients: the sort, the nearest
// leader of the one-bit codebook (by squared distance to the leaders times
// 256; ties keep the lower leader) and the codebook index.
#pragma once

#include "basop/basop.h"

// Largest magnitude of the sorted input for which no distance can saturate.
inline constexpr Word16 kOnebitPlainBound = 15000;

// The leader search with the basic operators (sub, shl, L_mult0, L_mac0,
// L_sub); valid for every input sorted in descending order.
int nearest_onebit_leader_saturating(const Word16 *sorted);

// The same leader from eight sums of the input (no loop over the leaders);
// only for inputs within +-kOnebitPlainBound, where no distance of the
// operator search can saturate and its plain distances order like the sums.
int nearest_onebit_leader_sums(const Word16 *sorted);

// The sums search when sorted[0] and sorted[7] are within the bound, else
// the saturating one.
int nearest_onebit_leader(const Word16 *sorted);

// Codebook index of the sorted vector's nearest codevector from its leader
// and the input position of each sorted place (perm).
Word16 onebit_codebook_index(int leader, const Word16 *perm);

// One-bit quantization of the scaled vector y: sorts y in place (descending,
// by a selection sort that swaps the first largest remaining value into
// place, which fixes the input position each sorted place refers to when
// values are equal) and writes the 8-bit codebook index to out[0]. The sort
// compares plainly: it orders as sub(a, b) < 0 would (a saturated difference
// keeps its sign) without setting Overflow, which is not read there.
void quantize_onebit(Word16 *y, Word16 *out);

// The band coder's one-bit path for count vectors of 8 Q8 normalised
// coefficients (vector n from v + 8n, its index to out[8n]): y[i] = add(c,
// mult(c, 3277)) with c = sub(v[i], 4), that is (v - 4) * 1.1 on the
// codebook's scale, then quantize_onebit of y (which is not returned). The
// AVX2 twin sorts on one vector register and gives the same indices and
// Overflow flag.
void quantize_onebit_vectors(const Word16 *v, Word16 *out, Word16 count);
void quantize_onebit_vectors_avx2(const Word16 *v, Word16 *out, Word16 count);
