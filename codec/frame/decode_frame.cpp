#include "frame/decode_frame.h"

#include <cstddef>

#include "frame/bit_words.h"
#include "frame/block_scaling.h"
#include "spectral_dec/deinterleave.h"
#include "spectral_dec/spectral_decoder.h"
#include "spectral_dec/spectrum_reconstruction.h"
#include "transform/inverse_transform.h"

namespace {

constexpr int kCoefficients = 960;
constexpr int kCodedCoefficients = 800;
constexpr int kBands = 44;
constexpr int kAliased = 1920;

// Number of words the caller's bit-word array holds.
constexpr int kBitWordCapacity = static_cast<int>(sizeof(G719DecoderState::bit_words) / sizeof(Word16));

// Reads the 2-bit noise-level index at the cursor. Words past the bit-word
// array read as 0 bits, like the padding inside it.
Word16 read_noise_level(const Word16 *bit_words, const Word16 *cursor) {
  const std::ptrdiff_t position = cursor - bit_words;
  if (position >= 0 && position + 2 <= kBitWordCapacity) {
    Word16 index = 0;
    g719_read_value(cursor, 2, &index);
    return index;
  }
  Word16 padded[2] = {BIT_WORD_ZERO, BIT_WORD_ZERO};
  for (std::ptrdiff_t i = 0; i < 2; i++) {
    if (position + i >= 0 && position + i < kBitWordCapacity) padded[i] = bit_words[position + i];
  }
  Word16 index = 0;
  g719_read_value(padded, 2, &index);
  return index;
}

// Reads a good frame into the synthesis-ready spectrum and its copy for
// concealment (saved). Returns the block scaling shift and sets *transient.
Word16 decode_good_frame(const Word16 *bit_words, Word32 *coefficients, Word16 *transient,
                         const G719DecoderState *state, Word32 *saved) {
  Word16 normalized[kCodedCoefficients];
  Word16 norm_indices[kBands];
  Word16 allocation[kBands];

  *transient = sub(bit_words[0], BIT_WORD_ONE) == 0 ? 1 : 0;
  const Word16 *cursor = bit_words + 1;

  const Word16 budget = *transient != 0 ? state->spectral_bits_transient : state->spectral_bits_stationary;
  g719_decode_spectrum_within(&cursor, bit_words + kBitWordCapacity, budget, *transient, norm_indices, allocation,
                              normalized);

  Word16 noise_level = 0;
  if (*transient == 0) noise_level = read_noise_level(bit_words, cursor);

  for (int i = kCodedCoefficients; i < kCoefficients; i++) coefficients[i] = 0;
  const Word32 peak =
      reconstruct_spectrum(normalized, coefficients, allocation, *transient, norm_indices, noise_level);

  // Block scaling: leave the largest coefficient 7 bits of headroom for the
  // inverse transform. An all-zero spectrum gives -7. Coefficients from
  // kCodedCoefficients on are 0 here: they do not raise the peak (taken by
  // the reconstruction over the coded ones), and L_shl leaves 0 at 0 for
  // every shift without touching Overflow, so the shift skips them.
  const Word16 norm_shift = sub(norm_l(peak), 7);
  // A stationary spectrum is final once shifted, so the shift writes its
  // copy too; a transient one is copied once deinterleaved.
  if (*transient != 0) {
    block_shl(coefficients, kCodedCoefficients, norm_shift);
    deinterleave_transient_spectrum(coefficients);
    for (int i = 0; i < kCoefficients; i++) saved[i] = coefficients[i];
  } else {
    block_shl_copy(coefficients, kCodedCoefficients, norm_shift, saved);
    for (int i = kCodedCoefficients; i < kCoefficients; i++) saved[i] = 0;
  }
  return norm_shift;
}

}  // namespace

void g719_decode_frame(const Word16 *bit_words, Word16 bad_frame, Word16 *pcm, G719DecoderState *state) {
  Word32 coefficients[kCoefficients];
  Word16 transient = 0;
  Word16 norm_shift = 0;

  if (bad_frame == 0) {
    norm_shift = decode_good_frame(bit_words, coefficients, &transient, state, state->prev_coefficients);
    state->prev_norm_shift = norm_shift;
    state->prev_transient = transient;
  } else {
    // Concealment: repeat the saved spectrum and halve it for the next loss.
    for (int i = 0; i < kCoefficients; i++) {
      coefficients[i] = state->prev_coefficients[i];
      state->prev_coefficients[i] = L_shr(state->prev_coefficients[i], 1);
    }
    norm_shift = state->prev_norm_shift;
    transient = state->prev_transient;
  }

  Word32 aliased[kAliased];
  g719_inverse_transform(coefficients, aliased, transient);
  g719_scaled_overlap_add(aliased, norm_shift, pcm, state->overlap_history);
}
