// Decoder half of the public codec API: instance lifetime, getters, and the
// unpacking of frame bytes into bit words around the frame driver.
#include <cstdlib>
#include <cstring>

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

namespace {

// The eight bit words of every byte value, most significant bit first.
struct ByteWords {
  Word16 words[256][8];
};

constexpr ByteWords make_byte_words() {
  ByteWords t{};
  for (int v = 0; v < 256; v++) {
    for (int b = 0; b < 8; b++) t.words[v][b] = ((v >> (7 - b)) & 1) != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
  }
  return t;
}

constexpr ByteWords byte_words = make_byte_words();

}  // namespace

void g719_decode(G719DecoderState *state, const uint8_t *frame, int16_t *pcm, int32_t bad_frame) {
  // bits_per_frame is a multiple of 8 (bitrate / 400 whole bytes), so the
  // frame unpacks byte by byte.
  const int32_t bytes = state->bytes_per_frame;
  for (int32_t i = 0; i < bytes; i++) std::memcpy(&state->bit_words[8 * i], byte_words.words[frame[i]], sizeof(byte_words.words[0]));
  g719_decode_frame(state->bit_words, bad_frame != 0 ? 1 : 0, pcm, state);
}
