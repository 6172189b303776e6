// Decoder half of the public codec API: instance lifetime, getters, and the
// frame entry, which runs the frame on the instance's kernel set.
#include <cstdlib>

#include "frame/bit_words.h"
#include "frame/codec_state.h"
#include "frame/decode_frame.h"
#include "frame/frame_bytes.h"
#include "frame/g719_codec.h"
#include "frame/kernel_sets.h"

G719DecoderState *g719_decoder_create_with_kernels(int32_t bitrate, KernelSet set) {
  G719DecoderState *state = new_instance_record<G719DecoderState>(bitrate, set);
  if (state == nullptr) return nullptr;
  // Words past the frame are never unpacked into; they read as 0 bits.
  for (Word16 &w : state->bit_words) w = BIT_WORD_ZERO;
  for (int i = 0; i < kFrameSamples; i++) {
    state->overlap_history[i] = 0;
    state->prev_coefficients[i] = 0;
  }
  state->prev_transient = 0;
  state->prev_norm_shift = 0;
  return state;
}

G719DecoderState *g719_decoder_create(int32_t bitrate) {
  return g719_decoder_create_with_kernels(bitrate, g719_preferred_kernel_set());
}

void g719_decoder_free(G719DecoderState *state) { std::free(state); }

int32_t g719_decoder_frame_samples(const G719DecoderState *state) { return state->samples_per_frame; }

int32_t g719_decoder_frame_bytes(const G719DecoderState *state) { return state->bytes_per_frame; }

void g719_decode(G719DecoderState *state, const uint8_t *frame, int16_t *pcm, int32_t bad_frame) {
  // bits_per_frame is a multiple of 8 (bitrate / 400 whole bytes), so the
  // frame unpacks byte by byte.
  unpack_frame_bytes(frame, state->bytes_per_frame, state->bit_words);
  const Word16 lost = bad_frame != 0 ? 1 : 0;
  if (state->kernels == KernelSet::kAvx2) {
    g719_decode_frame<Avx2Kernels>(state->bit_words, lost, pcm, state);
  } else {
    g719_decode_frame<PortableKernels>(state->bit_words, lost, pcm, state);
  }
}
