#include "frame/block_scaling.h"

Word32 block_peak_magnitude(const Word32 *x, int n) {
  Word32 peak = 0;
  for (int i = 0; i < n; ++i) {
    const Word32 a = L_abs(x[i]);
    if (a > peak) peak = a;
  }
  return peak;
}

void block_shl(Word32 *x, int n, Word16 shift) {
  for (int i = 0; i < n; ++i) x[i] = L_shl(x[i], shift);
}

void block_shl_copy(Word32 *x, int n, Word16 shift, Word32 *copy) {
  for (int i = 0; i < n; ++i) copy[i] = x[i] = L_shl(x[i], shift);
}

void block_shr(Word32 *x, int n, Word16 shift) {
  for (int i = 0; i < n; ++i) x[i] = L_shr(x[i], shift);
}
