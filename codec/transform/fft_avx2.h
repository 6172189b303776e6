// The AVX2 FFT engines of the DCT-IV kernels (transform/dct4_avx2.cpp).
// Each gives exactly the values and the Overflow flag of the portable
// transforms they replace (fft_120, fft_480 in transform/fft.h).
#pragma once

#include "transform/complex_ops.h"

// Four 120-point transforms (fft_120) side by side: in[4i + b] is element i
// of transform b, and out[4k + b] receives its output k. in and out must not
// overlap.
void fft_120_x4_avx2(const Cplx *in, Cplx *out);

// The 960-point DCT-IV's pre-twiddle fused into the 480-point FFT's radix-4
// stage: z receives fft_480 of the values (x[2n], x[959 - 2n]) times the
// factors (c[2n], s[2n]) in the complex twiddle product (c and s hold each
// factor twice, for the re and im lanes, 32-byte aligned), with the Overflow
// flag of the two steps run one after the other. x[0..959] is only read; it
// and z may not overlap.
void dct960_pre_twiddle_fft_480_avx2(const Word32 *x, const Word32 *c, const Word32 *s, Cplx *z);

// The same two transforms in plain lane arithmetic: exact when the DCT-IV's
// input lies within its plain bound (transform/dct4.h), which keeps every
// intermediate far from saturation.
void fft_120_x4_avx2_plain(const Cplx *in, Cplx *out);
void dct960_pre_twiddle_fft_480_avx2_plain(const Word32 *x, const Word32 *c, const Word32 *s, Cplx *z);
