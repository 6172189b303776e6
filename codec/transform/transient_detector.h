// Encoder-side transient detection.
#pragma once

#include "basop/basop.h"
#include "frame/codec_state.h"

// Decides whether the frame input[0..959] holds a sharp energy rise and
// must be coded with four short transforms. Returns 1 for a transient frame,
// 0 otherwise.
//
// The frame is high-pass filtered; each of its four sub-blocks of 240
// filtered samples is transient when its energy exceeds six times a slowly
// tracked long-term energy (which then moves a quarter of the way towards
// the block's energy). A detection also marks the following frame.
//
// Reads and updates the detector fields of `state` (transient_hangover,
// hp_prev_out, hp_prev_in, long_energy_hi, long_energy_lo). Energies are kept
// exactly in double precision (hi * 2^31 + lo); this clears and tests the
// thread's Overflow and Carry flags and leaves both 0. Runs on the kernel
// set K.
template <class K>
Word16 g719_detect_transient(const Word16 *input, G719EncoderState *state);
