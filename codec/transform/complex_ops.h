// Complex values of the FFT engines: pairs of Word32, combined only through
// the saturating basic operators.
#pragma once

#include "basop/basop.h"

struct Cplx {
  Word32 re;
  Word32 im;
};

// a + b, L_add on both parts.
static inline Cplx cplx_add(Cplx a, Cplx b) { return {L_add(a.re, b.re), L_add(a.im, b.im)}; }

// a - b, L_sub on both parts.
static inline Cplx cplx_sub(Cplx a, Cplx b) { return {L_sub(a.re, b.re), L_sub(a.im, b.im)}; }

// a scaled by the Q15 factor f, L_mls on both parts.
static inline Cplx cplx_mul_real(Cplx a, Word16 f) { return {L_mls(a.re, f), L_mls(a.im, f)}; }

// j * a: the new real part is -a.im (L_negate), the new imaginary part a.re.
static inline Cplx cplx_mul_j(Cplx a) { return {L_negate(a.im), a.re}; }
