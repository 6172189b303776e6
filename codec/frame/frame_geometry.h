// Frame geometry: the sizes that every stage of the codec shares. Derived
// sizes are written from these, never as bare numbers.
#pragma once

#include "frame/g719_codec.h"

// Samples per frame: 20 ms at 48 kHz. A frame's transform has as many
// coefficients (25 Hz apart) and folds two halves of kHalfFrame.
inline constexpr int kFrameSamples = 960;
inline constexpr int kHalfFrame = kFrameSamples / 2;
// Time-aliased values of one inverse transform: a block of two frames.
inline constexpr int kAliasedLength = 2 * kFrameSamples;

// Coefficients 0..799 (up to 20 kHz) are coded; the rest of a frame's
// spectrum is zero in the decoder.
inline constexpr int kCodedCoefficients = 800;
// Bands of the coded spectrum, in four groups of equal-width bands.
inline constexpr int kNumBands = 44;
inline constexpr int kNumBandGroups = 4;

// A transient frame is four short blocks of 240 coefficients, of which the
// first 200 are coded.
inline constexpr int kShortBlocks = 4;
inline constexpr int kShortBlockLength = kFrameSamples / kShortBlocks;
inline constexpr int kShortBlockCoded = kCodedCoefficients / kShortBlocks;

// Bitrates an instance can hold: multiples of 400 bit/s (whole bytes per
// frame) up to 128000 bit/s, whose 2560 bits per frame size the bit-word
// arrays.
inline constexpr int kFramesPerSecond = 50;
inline constexpr int kMinBitrate = 32000;
inline constexpr int kMaxBitrate = 128000;
inline constexpr int kBitrateStep = 8 * kFramesPerSecond;
inline constexpr int kMaxFrameBits = kMaxBitrate / kFramesPerSecond;

static_assert(kFrameSamples == G719_FRAME_SAMPLES);
static_assert(kMaxFrameBits / 8 == G719_MAX_FRAME_BYTES);
static_assert(kMinBitrate == G719_MIN_BITRATE && kMaxBitrate == G719_MAX_BITRATE);
