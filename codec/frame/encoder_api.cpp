// Encoder half of the public codec API: instance lifetime, getters, and the
// frame entry, which runs the frame on the instance's kernel set.
#include <cstdlib>

#include "frame/codec_state.h"
#include "frame/encode_frame.h"
#include "frame/frame_bytes.h"
#include "frame/g719_codec.h"
#include "frame/kernel_sets.h"

G719EncoderState *g719_encoder_create_with_kernels(int32_t bitrate, KernelSet set) {
  G719EncoderState *state = new_instance_record<G719EncoderState>(bitrate, set);
  if (state == nullptr) return nullptr;
  for (Word32 &h : state->window_history) h = 0;
  state->transient_hangover = 0;
  state->hp_prev_out = 0;
  state->hp_prev_in = 0;
  state->long_energy_hi = 0;
  state->long_energy_lo = 0;
  return state;
}

G719EncoderState *g719_encoder_create(int32_t bitrate) {
  return g719_encoder_create_with_kernels(bitrate, g719_preferred_kernel_set());
}

void g719_encoder_free(G719EncoderState *state) { std::free(state); }

int32_t g719_encoder_frame_samples(const G719EncoderState *state) { return state->samples_per_frame; }

int32_t g719_encoder_frame_bytes(const G719EncoderState *state) { return state->bytes_per_frame; }

namespace {

template <class K>
void encode_on(G719EncoderState *state, const int16_t *pcm, uint8_t *frame) {
  g719_encode_frame<K>(pcm, state->bit_words, state);
  K::pack_bit_words(state->bit_words, state->bytes_per_frame, frame);
}

}  // namespace

void g719_encode(G719EncoderState *state, const int16_t *pcm, uint8_t *frame) {
  if (state->kernels == KernelSet::kAvx2) {
    encode_on<Avx2Kernels>(state, pcm, frame);
  } else {
    encode_on<PortableKernels>(state, pcm, frame);
  }
}
