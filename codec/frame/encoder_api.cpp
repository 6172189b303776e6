// Encoder half of the public codec API: instance lifetime, getters, and the
// packing of the frame's bit words into bytes.
#include <cstdlib>

#include "frame/bit_words.h"
#include "frame/codec_state.h"
#include "frame/encode_frame.h"
#include "frame/g719_codec.h"

G719EncoderState *g719_encoder_create(int32_t bitrate) {
  if (!g719_bitrate_supported(bitrate)) return nullptr;
  auto *state = static_cast<G719EncoderState *>(std::malloc(sizeof(G719EncoderState)));
  if (state == nullptr) return nullptr;
  state->bitrate = bitrate;
  state->bits_per_frame = bitrate / 50;
  state->bytes_per_frame = state->bits_per_frame / 8;
  state->samples_per_frame = kFrameSamples;
  for (Word32 &h : state->window_history) h = 0;
  state->transient_hangover = 0;
  state->hp_prev_out = 0;
  state->hp_prev_in = 0;
  state->long_energy_hi = 0;
  state->long_energy_lo = 0;
  state->frame_bits = static_cast<Word16>(state->bits_per_frame);
  state->spectral_bits_stationary = sub(state->frame_bits, 3);
  state->spectral_bits_transient = sub(state->frame_bits, 1);
  return state;
}

void g719_encoder_free(G719EncoderState *state) { std::free(state); }

int32_t g719_encoder_frame_samples(const G719EncoderState *state) { return state->samples_per_frame; }

int32_t g719_encoder_frame_bytes(const G719EncoderState *state) { return state->bytes_per_frame; }

void g719_encode(G719EncoderState *state, const int16_t *pcm, uint8_t *frame) {
  g719_encode_frame(pcm, state->bit_words, state);
  const int32_t bits = state->bits_per_frame;
  for (int32_t i = 0; i < state->bytes_per_frame; ++i) frame[i] = 0;
  for (int32_t i = 0; i < bits; ++i) {
    if (state->bit_words[i] == BIT_WORD_ONE) frame[i / 8] = static_cast<uint8_t>(frame[i / 8] | (1u << (7 - i % 8)));
  }
}
