// Instance records: all of one stream's frame-to-frame codec state, and the
// kernel set its frames run on.
#pragma once

#include <cstdlib>

#include "basop/basop.h"
#include "frame/frame_geometry.h"
#include "frame/kernel_choice.h"

struct G719EncoderState {
  Word32 bits_per_frame;
  Word32 bytes_per_frame;
  Word32 samples_per_frame;
  Word16 bit_words[kMaxFrameBits];   // the frame being built
  Word32 window_history[kHalfFrame];  // saved fold of the previous frame
  Word16 transient_hangover;
  Word16 hp_prev_out;
  Word16 hp_prev_in;
  Word32 long_energy_hi;
  Word32 long_energy_lo;
  Word16 frame_bits;
  Word16 spectral_bits_stationary;  // frame_bits - 3
  Word16 spectral_bits_transient;   // frame_bits - 1
  KernelSet kernels;                // chosen at create, never changed
};

// Capacity of the decoder's bit-word array. The spectral decoder reads as many
// words as the fields of a frame ask for and never compares them with the
// frame length, so a corrupt frame can ask for more words than it holds. The
// unpacking fills the words beyond bits_per_frame with BIT_WORD_ZERO, and this
// capacity covers the most that any bit pattern can make the decoder read:
//  - 1 transient flag, 3 coding flags, 5 bits of the first norm;
//  - N norm bits: 215 in 5-bit mode, 3..7 bits for each of the 43 Huffman
//    symbols otherwise, so N >= 129;
//  - the allocation never spends more than its budget B = spectral budget - 8
//    - N, and the spectral budget is at most frame_bits - 1;
//  - coefficient indices cost at most 5/3 of their fixed-width cost (the
//    longest code is R + 2 bits: 3 of 2, 5 of 3, 6 of 4, 7 of 5 bits), and
//    R = 1 and R >= 6 bands cost exactly their fixed width;
//  - spare-bit vectors are read only while the bits read so far stay within
//    B, so indices plus spare vectors take at most max(5B/3, B) words;
//  - a stationary frame adds the 2-bit noise-level index but has 2 bits less
//    of budget.
// Worst case: a transient frame at the largest frame with N = 129:
// 1 + 8 + 129 + floor(5 * (kMaxFrameBits - 1 - 8 - 129) / 3) words.
inline constexpr int kDecoderBitWordsCapacity = 1 + 8 + 129 + (5 * (kMaxFrameBits - 1 - 8 - 129)) / 3;
static_assert(kDecoderBitWordsCapacity == 4174);
// The decoder's block reader loads words up to 64 ahead of the fields it
// decodes, but never past the end of the array: the fields stay within the
// capacity, the look-ahead stops at its end.

struct G719DecoderState {
  Word32 bits_per_frame;
  Word32 bytes_per_frame;
  Word32 samples_per_frame;
  Word16 bit_words[kDecoderBitWordsCapacity];  // the frame being read, then BIT_WORD_ZERO padding
  Word32 overlap_history[kFrameSamples];       // second half of the previous synthesis
  Word16 frame_bits;
  Word16 spectral_bits_stationary;
  Word16 spectral_bits_transient;
  Word32 prev_coefficients[kFrameSamples];  // last frame's coefficients, for concealment
  Word16 prev_transient;
  Word16 prev_norm_shift;
  KernelSet kernels;  // chosen at create, never changed
};

// True for bitrates an instance can hold: multiples of 400 in [32000, 128000].
constexpr bool g719_bitrate_supported(Word32 bitrate) {
  return bitrate >= kMinBitrate && bitrate <= kMaxBitrate && bitrate % kBitrateStep == 0;
}

// A new record of either kind with its frame sizes, bit budgets and kernel
// set filled in and its frame state not yet set; null for a bitrate or a
// kernel set it cannot hold, or without memory.
template <class State>
State *new_instance_record(Word32 bitrate, KernelSet kernels) {
  if (!g719_bitrate_supported(bitrate) || !g719_kernel_set_supported(kernels)) return nullptr;
  auto *state = static_cast<State *>(std::malloc(sizeof(State)));
  if (state == nullptr) return nullptr;
  state->bits_per_frame = bitrate / kFramesPerSecond;
  state->bytes_per_frame = state->bits_per_frame / 8;
  state->samples_per_frame = kFrameSamples;
  state->frame_bits = static_cast<Word16>(state->bits_per_frame);
  state->spectral_bits_stationary = sub(state->frame_bits, 3);
  state->spectral_bits_transient = sub(state->frame_bits, 1);
  state->kernels = kernels;
  return state;
}
