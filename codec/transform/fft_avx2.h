// AVX2 variant of the 480-point FFT engine. It gives exactly the result of
// fft_480_portable (every value and the Overflow flag); callers reach it
// through fft_480, which picks it when the processor supports AVX2.
#pragma once

#include "transform/complex_ops.h"

// Same contract as fft_480. Must only be called when g719_cpu_has_avx2().
void fft_480_avx2(Cplx *z);

// Four 120-point transforms (fft_120) side by side: in[4i + b] is element i
// of transform b, and out[4k + b] receives its output k. in and out must not
// overlap. Must only be called when g719_cpu_has_avx2().
void fft_120_x4_avx2(const Cplx *in, Cplx *out);

// The same two transforms in plain lane arithmetic, for the DCT-IV kernels
// only: exact when the DCT-IV's input lies within its plain bound
// (dct4_avx2.h), which keeps every intermediate far from saturation.
void fft_480_avx2_plain(Cplx *z);
void fft_120_x4_avx2_plain(const Cplx *in, Cplx *out);

// The 960-point DCT-IV's pre-twiddle fused into the 480-point FFT's radix-4
// stage: z receives fft_480 of the values (x[2n], x[959 - 2n]) times the
// factors (c[2n], s[2n]) in the complex twiddle product (c and s hold each
// factor twice, for the re and im lanes, 32-byte aligned), with the Overflow
// flag of the two steps run one after the other. x[0..959] is only read; it
// and z may not overlap. The plain variant under the same condition as
// fft_480_avx2_plain.
void dct960_pre_twiddle_fft_480_avx2(const Word32 *x, const Word32 *c, const Word32 *s, Cplx *z);
void dct960_pre_twiddle_fft_480_avx2_plain(const Word32 *x, const Word32 *c, const Word32 *s, Cplx *z);
