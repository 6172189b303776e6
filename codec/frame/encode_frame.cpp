#include "frame/encode_frame.h"

#include "frame/bit_words.h"
#include "frame/kernel_sets.h"
#include "spectral_enc/spectral_encoder.h"
#include "transform/forward_transform.h"
#include "transform/transient_detector.h"

template <class K>
void g719_encode_frame(const Word16 *pcm, Word16 *bit_words, G719EncoderState *state) {
  Word32 folded[kFrameSamples];
  Word32 coefficients[kFrameSamples];
  Word16 normalized[kCodedCoefficients];
  Word16 allocation[kNumBands];

  const Word16 transient = g719_detect_transient<K>(pcm, state);
  bit_words[0] = transient != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
  Word16 *cursor = bit_words + 1;

  const Word32 peak = K::window_fold(pcm, folded, state->window_history);

  // Block scaling: run the transform with the folded block at full scale
  // (the shift is applied in the transform's first pass; norm_l of the peak
  // saturates no value), then bring the coefficients back to the input's
  // scale.
  const Word16 norm_shift = norm_l(peak);
  g719_forward_transform<K>(folded, coefficients, transient, norm_shift);
  K::block_shr(coefficients, kFrameSamples, norm_shift);

  const Word16 budget = transient != 0 ? state->spectral_bits_transient : state->spectral_bits_stationary;
  g719_encode_spectrum<K>(&cursor, coefficients, normalized, allocation, budget, state->frame_bits, transient);

  if (transient == 0) {
    // The index is at most 3 but may be negative; its two low bits are sent.
    const Word16 noise_index = K::noise_level_index(normalized, allocation);
    BitWordWriter writer(cursor);
    writer.put(static_cast<std::uint16_t>(noise_index), 2);
    cursor = writer.finish();
  }

  const Word16 used = static_cast<Word16>(cursor - bit_words);
  const Word16 fill = sub(state->frame_bits, used);
  for (Word16 i = 0; i < fill; ++i) cursor[i] = BIT_WORD_ZERO;
}

template void g719_encode_frame<PortableKernels>(const Word16 *, Word16 *, G719EncoderState *);
template void g719_encode_frame<Avx2Kernels>(const Word16 *, Word16 *, G719EncoderState *);
