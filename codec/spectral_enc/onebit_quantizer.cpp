// The one-bit quantization of a vector (the AVX2 twin of the band coder's
// path is in onebit_quantizer_avx2.cpp).
#include "spectral_enc/onebit_quantizer.h"

#include "spectral_enc/lattice_tables.h"
#include "spectral_enc/selection_sort.h"

// perm is a permutation of 0..7, so every shifted mask bit is at most 128
// and distinct: the sum of the operator form, add(mask, shl(m, perm[i])), is
// an OR below 256. For leader 3, order = 2 perm[0] - 2 perm[7] is negative
// exactly when perm[0] < perm[7]. The index is at most 128 + 127: no
// operator of the index computation can saturate.
Word16 onebit_codebook_index(int leader, const Word16 *perm) {
  int index = onebit_leader_base_table[leader];
  if (leader == 3 && perm[0] < perm[kLatticeDim - 1]) index += 28;
  int mask = 0;
  for (int i = 0; i < kLatticeDim; i++) mask |= onebit_position_mask_table[leader][i] << perm[i];
  return static_cast<Word16>(index + onebit_rank_table[mask]);
}

void quantize_onebit(Word16 *y, Word16 *out) {
  Word16 perm[kLatticeDim] = {0, 1, 2, 3, 4, 5, 6, 7};
  selection_sort_descending(y, perm, kLatticeDim);
  out[0] = onebit_codebook_index(nearest_onebit_leader(y), perm);
}

void quantize_onebit_vectors(const Word16 *v, Word16 *out, Word16 count) {
  for (Word16 n = 0; n < count; n++) {
    const Word16 *x = v + kLatticeDim * n;
    Word16 y[kLatticeDim];
    for (int i = 0; i < kLatticeDim; i++) {
      const Word16 c = sub(x[i], 4);
      y[i] = add(c, mult(c, 3277));
    }
    quantize_onebit(y, out + kLatticeDim * n);
  }
}
