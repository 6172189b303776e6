// Complex FFT engines of the DCT-IV: in place, forward sign
// (exp(-2 pi j n k / N)), each giving the DFT multiplied by 1/4.
//
// Neither engine scales between stages; the 1/4 comes from the nested
// 120-point multipliers, and the callers leave enough headroom in their
// inputs. Sums saturate through L_add / L_sub.
#pragma once

#include "transform/complex_ops.h"

// 120-point DFT / 4 of z[0..119], by the nested 8 x 3 x 5 transform.
void fft_120(Cplx *z);

// 480-point DFT / 4 of z[0..479]: one radix-4 decimation-in-frequency stage
// and four 120-point transforms; the result is in natural order. (The AVX2
// kernel set runs it inside dct4_960_avx2, transform/fft_avx2.h.)
void fft_480(Cplx *z);
