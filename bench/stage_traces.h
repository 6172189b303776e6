// Per-frame inputs of the codec's stages, captured by running a real signal
// through the stages in the frame drivers' order, so that every stage
// benchmark works on the data it meets in a real stream.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "basop/basop.h"
#include "bench_signals.h"
#include "frame/codec_state.h"

struct EncoderStageTrace {
  std::int32_t bitrate = 0;
  Word16 frame_bits = 0;
  Word16 budget_stationary = 0;
  Word16 budget_transient = 0;
  std::vector<Word16> transient;                             // flag of each frame
  std::vector<std::array<Word32, kFrameSamples>> coefficients;  // spectral encoder input
  // Empty when the stage-by-stage run reproduced the encoder's bit words for
  // every frame; otherwise what went wrong (the stage benchmarks then skip).
  std::string mismatch;
};

struct DecoderStageTrace {
  std::int32_t bitrate = 0;
  Word16 budget_stationary = 0;
  Word16 budget_transient = 0;
  // The decoder's bit words of each frame, padded as g719_decode pads them.
  std::vector<std::array<Word16, kDecoderBitWordsCapacity>> bit_words;
  // Synthesis input of each frame: the scaled (and for transient frames
  // de-interleaved) coefficients, their block-scaling shift and the flag.
  std::vector<std::array<Word32, kFrameSamples>> coefficients;
  std::vector<Word16> norm_shift;
  std::vector<Word16> transient;
  std::string mismatch;
};

// Runs the signal through the encoder's stages one by one next to a real
// encoder instance and checks that both give the same bit words. Computed
// once per (kind, bitrate).
const EncoderStageTrace &encoder_stage_trace(SignalKind kind, std::int32_t bitrate);

// Decodes the encoder's stream of the signal with a real decoder instance and
// keeps, per frame, the bit words it read and the synthesis input it used.
const DecoderStageTrace &decoder_stage_trace(SignalKind kind, std::int32_t bitrate);

// The decoder's stages from the bit words up to the synthesis input, in the
// frame driver's order: spectral decoding, noise-level index, reconstruction,
// block scaling (returned) and, for transient frames, de-interleaving.
Word16 decode_spectrum_by_stages(const Word16 *bit_words, Word16 budget_stationary, Word16 budget_transient,
                                 Word32 *coefficients, Word16 *transient);

// The spectral encoder's calls up to the fixed-width cost of the allocation,
// in its order: interleaving (transient frames), norm indices, band count,
// norm clamping and difference codes, Huffman cost of the norms, priorities,
// sort and allocation. Writes the allocation before spare bits and returns
// its fixed-width cost. coefficients is reordered in place.
Word16 norms_and_allocation(Word32 *coefficients, Word16 transient, Word16 frame_bits, Word16 budget,
                            Word16 *allocation);

// Block scaling of the encoder's frame driver: shifts the 960 values left by
// norm_l of their largest magnitude and returns that shift.
Word16 normalize_block(Word32 *block);
