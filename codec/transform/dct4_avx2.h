// AVX2 variant of the 960-point DCT-IV. It gives exactly the results of
// dct4_960_portable (output and the Overflow flag);
// callers reach it through dct4_960, which picks it when the processor
// supports AVX2.
#pragma once

#include "basop/basop.h"

// Inputs under which the kernels run in plain lane arithmetic.
// Every value the transforms form is an affine function of the inputs: a
// sum of inputs times products of the factors, plus the truncation of each
// L_mls (at most 1). Over all values of the 960-point transform the largest
// sum of the factors' magnitudes is 223.17, the largest single factor
// 0.7303 and the largest accumulated truncation 5769; for the 240-point
// transform 55.79, 0.7303 and 1020. So each of these keeps every value
// within +-1.97e9, below 2^31 - 2^16, where no basic operator of the
// transform saturates and plain arithmetic gives the same values
// (simd_ops_avx2.h, PlainLanes):
//  - every input within +-2^23 (960 points) or +-2^25 (240 points): the
//    encoder's inputs always are (its long input is a 32-bit value shifted
//    right by 9, its short inputs by 7);
//  - the magnitudes of all inputs summing to at most 2^31 + 2^29
//    (0.7303 * 2.685e9 + 5769 < 1.97e9): the decoder's spectra, scaled to
//    a peak below 2^24, nearly always are.
// Other inputs, such as a damaged frame's spectrum, take the saturating
// kernels.
inline constexpr Word32 kDct960PlainInputBound = 1 << 23;
inline constexpr Word32 kDct240PlainInputBound = 1 << 25;
inline constexpr long long kPlainInputMagnitudeSum = (1LL << 31) + (1LL << 29);

// Same contract as dct4_960. Must only be called when g719_cpu_has_avx2().
void dct4_960_avx2(Word32 *input, Word32 *output);

// The plain kernels of dct4_960_avx2 without the input scan: only for
// inputs within +-kDct960PlainInputBound.
void dct4_960_avx2_small_input(Word32 *input, Word32 *output);

// Four 240-point DCT-IVs: dct4_240 of input[240b .. 240b + 239] into
// output[240b .. 240b + 239] for b = 0..3, with the four transforms side by
// side in the registers. Same results as four dct4_240 calls. Must only be
// called when g719_cpu_has_avx2(); input and output must not overlap.
void dct4_240_x4_avx2(const Word32 *input, Word32 *output);
