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
