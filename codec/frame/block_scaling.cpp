#include "frame/block_scaling.h"

#include "frame/cpu_dispatch.h"

Word32 block_peak_magnitude_portable(const Word32 *x, int n) {
  Word32 peak = 0;
  for (int i = 0; i < n; ++i) {
    const Word32 a = L_abs(x[i]);
    if (a > peak) peak = a;
  }
  return peak;
}

void block_shl_portable(Word32 *x, int n, Word16 shift) {
  for (int i = 0; i < n; ++i) x[i] = L_shl(x[i], shift);
}

void block_shl_copy_portable(Word32 *x, int n, Word16 shift, Word32 *copy) {
  for (int i = 0; i < n; ++i) copy[i] = x[i] = L_shl(x[i], shift);
}

void block_shr_portable(Word32 *x, int n, Word16 shift) {
  for (int i = 0; i < n; ++i) x[i] = L_shr(x[i], shift);
}

Word32 block_peak_magnitude(const Word32 *x, int n) {
  return g719_avx2_active() ? block_peak_magnitude_avx2(x, n) : block_peak_magnitude_portable(x, n);
}

void block_shl(Word32 *x, int n, Word16 shift) {
  if (g719_avx2_active()) {
    block_shl_avx2(x, n, shift);
  } else {
    block_shl_portable(x, n, shift);
  }
}

void block_shl_copy(Word32 *x, int n, Word16 shift, Word32 *copy) {
  if (g719_avx2_active()) {
    block_shl_copy_avx2(x, n, shift, copy);
  } else {
    block_shl_copy_portable(x, n, shift, copy);
  }
}

// L_shr(x, s) is L_shl(x, -s) for every s with -s > -32768, and the limits
// both take (32 either way) agree; only s = -32768 needs its own path.
void block_shr(Word32 *x, int n, Word16 shift) {
  if (shift == MIN_16) {
    block_shr_portable(x, n, shift);
  } else {
    block_shl(x, n, static_cast<Word16>(-shift));
  }
}
