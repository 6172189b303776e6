// Instance records: all of one stream's frame-to-frame codec state.
#pragma once

#include "basop/basop.h"

inline constexpr int kFrameSamples = 960;
inline constexpr int kMaxFrameBits = 2560;  // 128000 bit/s

struct G719EncoderState {
  Word32 bitrate;
  Word32 bits_per_frame;
  Word32 bytes_per_frame;
  Word32 samples_per_frame;
  Word16 bit_words[kMaxFrameBits];  // the frame being built
  Word32 window_history[480];       // saved fold of the previous frame
  Word16 transient_hangover;
  Word16 hp_prev_out;
  Word16 hp_prev_in;
  Word32 long_energy_hi;
  Word32 long_energy_lo;
  Word16 frame_bits;
  Word16 spectral_bits_stationary;  // frame_bits - 3
  Word16 spectral_bits_transient;   // frame_bits - 1
};

struct G719DecoderState {
  Word32 bitrate;
  Word32 bits_per_frame;
  Word32 bytes_per_frame;
  Word32 samples_per_frame;
  Word16 bit_words[kMaxFrameBits];  // the frame being read
  Word32 overlap_history[960];      // second half of the previous synthesis
  Word16 frame_bits;
  Word16 spectral_bits_stationary;
  Word16 spectral_bits_transient;
  Word32 prev_coefficients[960];  // last frame's coefficients, for concealment
  Word16 prev_transient;
  Word16 prev_norm_shift;
};

// True for bitrates an instance can hold: multiples of 400 in [32000, 128000].
constexpr bool g719_bitrate_supported(Word32 bitrate) {
  return bitrate >= 32000 && bitrate <= 128000 && bitrate % 400 == 0;
}
