// The selection sort of the one-bit quantizer: in descending order, each
// position takes the first largest remaining key (ties keep the earlier
// one), swapped in; companion[] follows every swap. The orders both sides of
// the codec depend on, ties included, are those of exactly this procedure
// (the band sort, spectral_enc/bit_allocation.h, is the same procedure).
#pragma once

#include "basop/basop.h"

// Keys are compared plainly: the order is that of the operator test
// sub(a, b) < 0 (a saturating difference keeps its sign and is 0 only for
// equal keys), without touching Overflow.
inline void selection_sort_descending(Word16 *key, Word16 *companion, int n) {
  for (int i = 0; i < n - 1; i++) {
    int best = i;
    for (int j = i + 1; j < n; j++) {
      if (key[best] < key[j]) best = j;
    }
    const Word16 k = key[i];
    key[i] = key[best];
    key[best] = k;
    const Word16 c = companion[i];
    companion[i] = companion[best];
    companion[best] = c;
  }
}
