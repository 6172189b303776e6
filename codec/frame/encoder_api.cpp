// Encoder half of the public codec API: instance lifetime, getters, and the
// packing of the frame's bit words into bytes.
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// Every byte value with its bit order reversed.
struct ReversedBits {
  uint8_t bytes[256];
};

constexpr ReversedBits make_reversed_bits() {
  ReversedBits t{};
  for (int v = 0; v < 256; ++v) {
    int r = 0;
    for (int b = 0; b < 8; ++b) r |= ((v >> b) & 1) << (7 - b);
    t.bytes[v] = static_cast<uint8_t>(r);
  }
  return t;
}

[[maybe_unused]] constexpr ReversedBits reversed_bits = make_reversed_bits();

}  // namespace

void g719_encode(G719EncoderState *state, const int16_t *pcm, uint8_t *frame) {
  g719_encode_frame(pcm, state->bit_words, state);
  // bits_per_frame is a multiple of 8: each byte takes its eight words, the
  // first in the most significant bit.
  const Word16 *w = state->bit_words;
  for (int32_t i = 0; i < state->bytes_per_frame; ++i, w += 8) {
#if defined(__SSE2__)
    // One compare of the eight words; the mask has word b in bit b, so its
    // bit order is reversed to put word 0 first.
    const __m128i ones = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w)), _mm_set1_epi16(BIT_WORD_ONE));
    frame[i] = reversed_bits.bytes[_mm_movemask_epi8(_mm_packs_epi16(ones, ones)) & 0xFF];
#else
    unsigned byte = 0;
    for (int b = 0; b < 8; ++b) byte = (byte << 1) | (w[b] == BIT_WORD_ONE ? 1u : 0u);
    frame[i] = static_cast<uint8_t>(byte);
#endif
  }
}
