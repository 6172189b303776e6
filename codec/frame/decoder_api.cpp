// Decoder half of the public codec API: instance lifetime, getters, and the
// unpacking of frame bytes into bit words around the frame driver.
#include <cstdlib>

#include "frame/bit_words.h"
#include "frame/codec_state.h"
#include "frame/decode_frame.h"
#include "frame/g719_codec.h"

namespace {

constexpr int kBitWordCapacity = static_cast<int>(sizeof(G719DecoderState::bit_words) / sizeof(Word16));

}  // namespace

G719DecoderState *g719_decoder_create(int32_t bitrate) {
  if (!g719_bitrate_supported(bitrate)) return nullptr;
  auto *state = static_cast<G719DecoderState *>(std::malloc(sizeof(G719DecoderState)));
  if (state == nullptr) return nullptr;
  state->bitrate = bitrate;
  state->bits_per_frame = bitrate / 50;
  state->bytes_per_frame = state->bits_per_frame / 8;
  state->samples_per_frame = kFrameSamples;
  // Words past the frame are never unpacked into; they read as 0 bits.
  for (int i = 0; i < kBitWordCapacity; i++) state->bit_words[i] = BIT_WORD_ZERO;
  for (int i = 0; i < kFrameSamples; i++) {
    state->overlap_history[i] = 0;
    state->prev_coefficients[i] = 0;
  }
  state->prev_transient = 0;
  state->prev_norm_shift = 0;
  state->frame_bits = static_cast<Word16>(state->bits_per_frame);
  state->spectral_bits_stationary = sub(state->frame_bits, 3);
  state->spectral_bits_transient = sub(state->frame_bits, 1);
  return state;
}

void g719_decoder_free(G719DecoderState *state) { std::free(state); }

int32_t g719_decoder_frame_samples(const G719DecoderState *state) { return state->samples_per_frame; }

int32_t g719_decoder_frame_bytes(const G719DecoderState *state) { return state->bytes_per_frame; }

void g719_decode(G719DecoderState *state, const uint8_t *frame, int16_t *pcm, int32_t bad_frame) {
  const int32_t bits = state->bits_per_frame;
  for (int32_t i = 0; i < bits; i++) {
    const bool one = ((frame[i / 8] >> (7 - i % 8)) & 1) != 0;
    state->bit_words[i] = one ? BIT_WORD_ONE : BIT_WORD_ZERO;
  }
  g719_decode_frame(state->bit_words, bad_frame != 0 ? 1 : 0, pcm, state);
}
