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
// twins). input and output must not overlap.
void dct4_960(Word32 *input, Word32 *output);
void dct4_960_avx2(Word32 *input, Word32 *output);

// dct4_960 for an input the caller knows to lie within +-2^22 (as the
// encoder's long transform input does: a 32-bit value shifted right by 9):
// the AVX2 twin then runs its plain kernels without scanning the input.
// The portable set runs dct4_960 itself.
void dct4_960_small_input_avx2(Word32 *input, Word32 *output);

// DCT-IV of input[0..239] into output[0..239]; input is left unchanged.
// input and output must not overlap.
void dct4_240(const Word32 *input, Word32 *output);

// Four 240-point DCT-IVs: dct4_240 of input[240b .. 240b + 239] into
// output[240b .. 240b + 239] for b = 0..3. The AVX2 twin runs the four side
// by side in the registers. input and output must not overlap.
void dct4_240_x4(const Word32 *input, Word32 *output);
void dct4_240_x4_avx2(const Word32 *input, Word32 *output);

// Inputs under which the AVX2 twins run in plain lane arithmetic.
// Every value the transforms form is an affine function of the inputs: a
// sum of inputs times products of the factors, plus the truncation of each
// L_mls (at most 1). Over all values of the 960-point transform the largest
// sum of the factors' magnitudes is 223.17, the largest single factor
// 0.7303 and the largest accumulated truncation 5769; for the 240-point
// transform 55.79, 0.7303 and 1020. So each of these keeps every value
// within +-1.97e9, below 2^31 - 2^16, where no basic operator of the
// transform saturates and plain arithmetic gives the same values
// (transform/simd_ops_avx2.h, PlainLanes):
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
