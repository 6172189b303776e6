#include "frame/decode_frame.h"

#include <cstddef>

#include "frame/bit_words.h"
#include "frame/kernel_sets.h"
#include "spectral_dec/deinterleave.h"
#include "spectral_dec/spectral_decoder.h"
#include "spectral_dec/spectrum_reconstruction.h"
#include "transform/inverse_transform.h"

namespace {

// The 2-bit noise-level index at cursor; words at or past end read as 0
// bits, like the padding inside the array.
Word16 read_noise_level(const Word16 *cursor, const Word16 *end) {
  const std::ptrdiff_t left = end - cursor;
  Word16 index = 0;
  for (int k = 0; k < 2; ++k) {
    index = static_cast<Word16>((index << 1) | (k < left && cursor[k] == BIT_WORD_ONE ? 1 : 0));
  }
  return index;
}

// Reads a good frame into the synthesis-ready spectrum and its copy for
// concealment (saved). Returns the block scaling shift and sets *transient.
template <class K>
Word16 decode_good_frame(const Word16 *bit_words, Word32 *coefficients, Word16 *transient,
                         const G719DecoderState *state, Word32 *saved) {
  Word16 normalized[kCodedCoefficients];
  Word16 norm_indices[kNumBands];
  Word16 allocation[kNumBands];
  const Word16 *end = bit_words + kDecoderBitWordsCapacity;

  *transient = sub(bit_words[0], BIT_WORD_ONE) == 0 ? 1 : 0;
  const Word16 *cursor = bit_words + 1;

  const Word16 budget = *transient != 0 ? state->spectral_bits_transient : state->spectral_bits_stationary;
  g719_decode_spectrum<K>(&cursor, end, budget, *transient, norm_indices, allocation, normalized);

  const Word16 noise_level = *transient == 0 ? read_noise_level(cursor, end) : Word16{0};

  for (int i = kCodedCoefficients; i < kFrameSamples; i++) coefficients[i] = 0;
  const Word32 peak =
      reconstruct_spectrum<K>(normalized, coefficients, allocation, *transient, norm_indices, noise_level);

  // Block scaling: leave the largest coefficient 7 bits of headroom for the
  // inverse transform. An all-zero spectrum gives -7. Coefficients from
  // kCodedCoefficients on are 0 here: they do not raise the peak (taken by
  // the reconstruction over the coded ones), and L_shl leaves 0 at 0 for
  // every shift without touching Overflow, so the shift skips them.
  const Word16 norm_shift = sub(norm_l(peak), 7);
  // A stationary spectrum is final once shifted, so the shift writes its
  // copy too; a transient one is copied once deinterleaved.
  if (*transient != 0) {
    K::block_shl(coefficients, kCodedCoefficients, norm_shift);
    deinterleave_transient_spectrum(coefficients);
    for (int i = 0; i < kFrameSamples; i++) saved[i] = coefficients[i];
  } else {
    K::block_shl_copy(coefficients, kCodedCoefficients, norm_shift, saved);
    for (int i = kCodedCoefficients; i < kFrameSamples; i++) saved[i] = 0;
  }
  return norm_shift;
}

}  // namespace

template <class K>
void g719_decode_frame(const Word16 *bit_words, Word16 bad_frame, Word16 *pcm, G719DecoderState *state) {
  Word32 coefficients[kFrameSamples];
  Word16 transient = 0;
  Word16 norm_shift = 0;

  if (bad_frame == 0) {
    norm_shift = decode_good_frame<K>(bit_words, coefficients, &transient, state, state->prev_coefficients);
    state->prev_norm_shift = norm_shift;
    state->prev_transient = transient;
  } else {
    // Concealment: repeat the saved spectrum and halve it for the next loss.
    for (int i = 0; i < kFrameSamples; i++) {
      coefficients[i] = state->prev_coefficients[i];
      state->prev_coefficients[i] = L_shr(state->prev_coefficients[i], 1);
    }
    norm_shift = state->prev_norm_shift;
    transient = state->prev_transient;
  }

  Word32 aliased[kAliasedLength];
  g719_inverse_transform<K>(coefficients, aliased, transient);
  K::scaled_overlap_add(aliased, norm_shift, pcm, state->overlap_history);
}

template void g719_decode_frame<PortableKernels>(const Word16 *, Word16, Word16 *, G719DecoderState *);
template void g719_decode_frame<Avx2Kernels>(const Word16 *, Word16, Word16 *, G719DecoderState *);
