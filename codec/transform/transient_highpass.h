// The transient detector's high-pass filter over one frame:
//   y[n] = round_fx(32316 y[n-1] + 24465 x[n] - 24465 x[n-1]),
// accumulated with L_mac0, L_mac0, L_msu0 in that order, so that only the
// L_msu0 step and the rounding can saturate. x[-1] and y[-1] come from the
// previous frame and are updated to x[959] and y[959].
#pragma once

#include "basop/basop.h"
#include "frame/frame_geometry.h"

inline constexpr int kHighpassLength = kFrameSamples;

// The filter with the basic operators, valid for every input.
void transient_highpass_saturating(const Word16 *x, Word16 *y, Word16 *prev_in, Word16 *prev_out);

// The same outputs, state and Overflow flag on the kernel set K. When no
// step can saturate (every |x[n] - x[n-1]| within kHighpassPlainStep) it
// runs in plain 32-bit arithmetic, else it runs the saturating filter.
template <class K>
void transient_highpass(const Word16 *x, Word16 *y, Word16 *prev_in, Word16 *prev_out);

// Largest input step |x[n] - x[n-1]| for which no step of the filter can
// saturate, whatever y[n-1] is (see transient_highpass.cpp).
inline constexpr Word32 kHighpassPlainStep = 44492;

// First pass of the fast path: d[n] = 24465 (x[n] - x[n-1]) + 32768 for
// n < 960 (x[-1] = prev_in); returns the largest |x[n] - x[n-1]|.
Word32 highpass_input_terms(const Word16 *x, Word16 prev_in, Word32 *d);
Word32 highpass_input_terms_avx2(const Word16 *x, Word16 prev_in, Word32 *d);

// Last pass of the fast path: y[n] = w[n] for n < 960, every w[n] a Word16
// value.
void highpass_narrow(const Word32 *w, Word16 *y);
void highpass_narrow_avx2(const Word32 *w, Word16 *y);
