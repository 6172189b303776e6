// Decoder frame driver: one frame of bit words in, 960 samples out, with the
// block scaling around the inverse transform and the frame-erasure
// concealment.
#pragma once

#include "basop/basop.h"
#include "frame/codec_state.h"

// Decodes one frame; every stage runs on the kernel set K.
//
// bit_words: the frame's bit words; they are read only when bad_frame is 0.
//   The array must hold the whole decoder bit-word capacity of the state
//   (G719DecoderState::bit_words), with the words beyond the frame's
//   bits_per_frame set to BIT_WORD_ZERO, so that a corrupt frame that asks
//   for more bits than it has reads 0 bits and never leaves the array.
// bad_frame: non-zero declares the frame lost. The last good frame's
//   spectrum is then repeated: in full for the first lost frame, halved for
//   each further consecutive one. The state's transient flag and block
//   scaling of the last good frame are kept.
// pcm: receives exactly 960 samples.
// state: reads the frame budgets; updates the concealment memory and the
//   synthesis overlap.
template <class K>
void g719_decode_frame(const Word16 *bit_words, Word16 bad_frame, Word16 *pcm, G719DecoderState *state);
