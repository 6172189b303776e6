// Encoder frame driver: one block of 960 samples in, one complete frame of
// bit words out.
#pragma once

#include "basop/basop.h"
#include "frame/codec_state.h"

// Encodes one frame into bit_words[0 .. state->frame_bits - 1], every word
// written: the transient flag, the spectral part, for stationary frames the
// 2-bit noise-level index, then BIT_WORD_ZERO fill up to frame_bits.
// pcm: 960 samples, read only. bit_words must hold at least frame_bits words
// (frame_bits at most kMaxFrameBits). Updates the window history and the
// transient detector fields of state. Every stage runs on the kernel set K.
template <class K>
void g719_encode_frame(const Word16 *pcm, Word16 *bit_words, G719EncoderState *state);
