// DCT-IV engines shared by the forward and the inverse transform.
//
// Both compute y[k] = 0.18257 * sum_n x[n] cos(pi (n + 1/2) (k + 1/2) / N)
// (the pre-twiddle gain 0.7303 times the FFT's 1/4), through a complex FFT of
// N/2 points between a pre- and a post-twiddle. There is no internal scaling:
// inputs of at most 2^22 (960 points) or below 2^24 (240 points) in
// magnitude keep every stage inside 32 bits.
#pragma once

#include "basop/basop.h"

// DCT-IV of input[0..959] into output[0..959]. input is used as working
// storage: its contents afterwards are unspecified (and differ between the
// variants). input and output must not overlap.
// Runs the AVX2 variant when it is active (frame/cpu_dispatch.h); both give
// identical results.
void dct4_960(Word32 *input, Word32 *output);

// dct4_960 for an input the caller knows to lie within +-2^22 (as the
// encoder's long transform input does: a 32-bit value shifted right by 9):
// the AVX2 variant then runs its plain kernels without scanning the input.
// Same results as dct4_960.
void dct4_960_small_input(Word32 *input, Word32 *output);

// The portable 960-point transform, the reference of every variant.
void dct4_960_portable(Word32 *input, Word32 *output);

// DCT-IV of input[0..239] into output[0..239]; input is left unchanged.
// input and output must not overlap.
void dct4_240(const Word32 *input, Word32 *output);

// Four 240-point DCT-IVs: dct4_240 of input[240b .. 240b + 239] into
// output[240b .. 240b + 239] for b = 0..3. Runs the AVX2 variant when it is
// active; both give the results of four dct4_240 calls. input and output
// must not overlap.
void dct4_240_x4(const Word32 *input, Word32 *output);

// The portable four short transforms, the reference of every variant.
void dct4_240_x4_portable(const Word32 *input, Word32 *output);
