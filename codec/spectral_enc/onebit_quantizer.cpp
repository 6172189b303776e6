// The one-bit quantization of a vector: the reference with the basic
// operators and the portable fast variant (the AVX2 one is in
// onebit_quantizer_avx2.cpp).
#include "frame/cpu_dispatch.h"
#include "spectral_enc/lattice_tables.h"
#include "spectral_enc/onebit_leader_search.h"
#include "spectral_enc/selection_sort.h"

void quantize_onebit_reference(Word16 *y, Word16 *out) {
  // Sort descending, remembering where each value came from.
  Word16 perm[kLatticeDim] = {0, 1, 2, 3, 4, 5, 6, 7};
  selection_sort_descending(y, perm, kLatticeDim, less_by_sub);

  // Nearest leader to the sorted vector; ties keep the lower leader.
  const int leader = nearest_onebit_leader_saturating(y);

  // Index of the leader's permutation that puts its components back at the
  // input positions of the sorted values.
  Word16 index = onebit_leader_base_table[leader];
  if (leader == 3) {
    Word16 order = 0;  // negative when the +2 lies at a lower position than the -2
    for (int i = 0; i < kLatticeDim; i++) {
      order = add(order, extract_l(L_mult0(perm[i], onebit_leader_table[3][i])));
    }
    if (order < 0) index = add(index, 28);
  }
  Word16 mask = 0;
  for (int i = 0; i < kLatticeDim; i++) mask = add(mask, shl(onebit_position_mask_table[leader][i], perm[i]));
  out[0] = add(index, onebit_rank_table[mask]);
}

// perm is a permutation of 0..7, so every shifted mask bit is at most 128
// and distinct: the sum is an OR below 256. For leader 3, order =
// 2 perm[0] - 2 perm[7] is negative exactly when perm[0] < perm[7]. The
// index is at most 128 + 127: no operator of the reference can saturate.
Word16 onebit_codebook_index(int leader, const Word16 *perm) {
  int index = onebit_leader_base_table[leader];
  if (leader == 3 && perm[0] < perm[kLatticeDim - 1]) index += 28;
  int mask = 0;
  for (int i = 0; i < kLatticeDim; i++) mask |= onebit_position_mask_table[leader][i] << perm[i];
  return static_cast<Word16>(index + onebit_rank_table[mask]);
}

// The plain comparison sorts as the reference does; only its Overflow
// differs (see the header).
void quantize_onebit_portable(Word16 *y, Word16 *out) {
  Word16 perm[kLatticeDim] = {0, 1, 2, 3, 4, 5, 6, 7};
  selection_sort_descending(y, perm, kLatticeDim, [](Word16 a, Word16 b) { return a < b; });
  out[0] = onebit_codebook_index(nearest_onebit_leader(y), perm);
}

void quantize_scaled_onebit_reference(const Word16 *v, Word16 *out) {
  Word16 y[kLatticeDim];
  for (int i = 0; i < kLatticeDim; i++) {
    const Word16 c = sub(v[i], 4);
    y[i] = add(c, mult(c, 3277));
  }
  quantize_onebit_reference(y, out);
}

void quantize_onebit(Word16 *y, Word16 *out) {
  if (g719_avx2_active()) {
    quantize_onebit_avx2(y, out);
  } else {
    quantize_onebit_portable(y, out);
  }
}
