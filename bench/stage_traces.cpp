#include "stage_traces.h"

#include <map>
#include <utility>

#include "frame/bit_words.h"
#include "frame/g719_codec.h"
#include "spectral_dec/deinterleave.h"
#include "spectral_dec/spectral_decoder.h"
#include "spectral_dec/spectrum_reconstruction.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/bit_allocation.h"
#include "spectral_enc/interleave.h"
#include "spectral_enc/noise_level_index.h"
#include "spectral_enc/norm_huffman.h"
#include "spectral_enc/norm_quantizer.h"
#include "spectral_enc/spectral_encoder.h"
#include "transform/forward_transform.h"
#include "transform/inverse_transform.h"
#include "transform/transient_detector.h"
#include "transform/window_fold.h"

namespace {

constexpr int kCoded = 800;
constexpr int kBands = 44;
constexpr int kAliased = 1920;

// One frame through the encoder's stages in the frame driver's order. Writes
// the frame's bit words and the spectral encoder's input coefficients.
Word16 encode_frame_by_stages(const Word16 *pcm, G719EncoderState *state, Word16 *bit_words,
                              Word32 *spectral_input, Word16 *allocation) {
  const Word16 transient = g719_detect_transient(pcm, state);
  bit_words[0] = transient != 0 ? BIT_WORD_ONE : BIT_WORD_ZERO;
  Word16 *cursor = bit_words + 1;

  Word32 folded[kFrameSamples];
  g719_window_fold(pcm, folded, state->window_history);
  const Word16 shift = normalize_block(folded);
  Word32 coefficients[kFrameSamples];
  g719_forward_transform(folded, coefficients, transient);
  for (int i = 0; i < kFrameSamples; i++) coefficients[i] = L_shr(coefficients[i], shift);
  for (int i = 0; i < kFrameSamples; i++) spectral_input[i] = coefficients[i];

  Word16 normalized[kCoded];
  const Word16 budget = transient != 0 ? state->spectral_bits_transient : state->spectral_bits_stationary;
  g719_encode_spectrum(&cursor, coefficients, normalized, allocation, budget, state->frame_bits, transient);
  if (transient == 0) {
    g719_write_value(g719_noise_level_index(normalized, allocation), 2, cursor);
    cursor += 2;
  }
  while (cursor < bit_words + state->frame_bits) *cursor++ = BIT_WORD_ZERO;
  return transient;
}

EncoderStageTrace build_encoder_trace(SignalKind kind, std::int32_t bitrate) {
  EncoderStageTrace trace;
  trace.bitrate = bitrate;
  const BenchSignal &signal = bench_signal(kind);
  G719EncoderState *reference = g719_encoder_create(bitrate);
  G719EncoderState *staged = g719_encoder_create(bitrate);
  if (reference == nullptr || staged == nullptr || signal.frames == 0) {
    trace.mismatch = "no encoder or no signal";
  } else {
    trace.frame_bits = staged->frame_bits;
    trace.budget_stationary = staged->spectral_bits_stationary;
    trace.budget_transient = staged->spectral_bits_transient;
    trace.transient.resize(signal.frames);
    trace.coefficients.resize(signal.frames);
    std::uint8_t packed[G719_MAX_FRAME_BYTES];
    Word16 words[kMaxFrameBits];
    for (int f = 0; f < signal.frames && trace.mismatch.empty(); f++) {
      g719_encode(reference, signal.frame(f), packed);
      Word16 final_allocation[kBands];
      trace.transient[f] = encode_frame_by_stages(signal.frame(f), staged, words, trace.coefficients[f].data(),
                                                  final_allocation);
      // Spare bits only raise bands without bits to 1 bit per coefficient.
      Word32 coefficients[kFrameSamples];
      for (int i = 0; i < kFrameSamples; i++) coefficients[i] = trace.coefficients[f][i];
      Word16 allocation[kBands];
      const Word16 t = trace.transient[f];
      norms_and_allocation(coefficients, t, trace.frame_bits, t != 0 ? trace.budget_transient : trace.budget_stationary,
                           allocation);
      for (int b = 0; b < kBands; b++) {
        const bool consistent = allocation[b] != 0 ? final_allocation[b] == allocation[b]
                                                   : final_allocation[b] == 0 || final_allocation[b] == 1;
        if (!consistent) {
          trace.mismatch = "norms and allocation differ from the spectral encoder in frame " + std::to_string(f) +
                           ", band " + std::to_string(b);
          break;
        }
      }
      for (int i = 0; i < staged->frame_bits; i++) {
        if (words[i] != reference->bit_words[i]) {
          trace.mismatch = "stage-by-stage encoding differs from g719_encode in frame " + std::to_string(f) +
                           ", bit " + std::to_string(i);
          break;
        }
      }
    }
  }
  g719_encoder_free(reference);
  g719_encoder_free(staged);
  return trace;
}

DecoderStageTrace build_decoder_trace(SignalKind kind, std::int32_t bitrate) {
  DecoderStageTrace trace;
  trace.bitrate = bitrate;
  const BenchSignal &signal = bench_signal(kind);
  const std::vector<std::uint8_t> &stream = encoded_stream(kind, bitrate);
  G719DecoderState *reference = g719_decoder_create(bitrate);
  G719DecoderState *staged = g719_decoder_create(bitrate);
  if (reference == nullptr || staged == nullptr || stream.empty()) {
    trace.mismatch = "no decoder or no encoded stream";
  } else {
    trace.budget_stationary = staged->spectral_bits_stationary;
    trace.budget_transient = staged->spectral_bits_transient;
    const int bytes = g719_decoder_frame_bytes(reference);
    trace.bit_words.resize(signal.frames);
    trace.coefficients.resize(signal.frames);
    trace.norm_shift.resize(signal.frames);
    trace.transient.resize(signal.frames);
    for (int f = 0; f < signal.frames && trace.mismatch.empty(); f++) {
      std::int16_t pcm[kFrameSamples];
      g719_decode(reference, stream.data() + static_cast<std::size_t>(f) * bytes, pcm, 0);
      for (int i = 0; i < kDecoderBitWordsCapacity; i++) trace.bit_words[f][i] = reference->bit_words[i];
      for (int i = 0; i < kFrameSamples; i++) trace.coefficients[f][i] = reference->prev_coefficients[i];
      trace.norm_shift[f] = reference->prev_norm_shift;
      trace.transient[f] = reference->prev_transient;

      // The same frame through the stages must give the same synthesis
      // input and the same samples.
      Word32 coefficients[kFrameSamples];
      Word16 transient = 0;
      const Word16 shift = decode_spectrum_by_stages(trace.bit_words[f].data(), trace.budget_stationary,
                                                     trace.budget_transient, coefficients, &transient);
      bool same = shift == trace.norm_shift[f] && transient == trace.transient[f];
      for (int i = 0; i < kFrameSamples && same; i++) same = coefficients[i] == trace.coefficients[f][i];
      Word32 aliased[kAliased];
      Word16 staged_pcm[kFrameSamples];
      g719_inverse_transform(coefficients, aliased, transient);
      for (int i = 0; i < kAliased; i++) aliased[i] = L_shr(aliased[i], shift);
      g719_overlap_add(aliased, staged_pcm, staged->overlap_history);
      for (int i = 0; i < kFrameSamples && same; i++) same = staged_pcm[i] == pcm[i];
      if (!same) trace.mismatch = "stage-by-stage decoding differs from g719_decode in frame " + std::to_string(f);
    }
  }
  g719_decoder_free(reference);
  g719_decoder_free(staged);
  return trace;
}

}  // namespace

Word16 normalize_block(Word32 *block) {
  Word32 m = 0;
  for (int i = 0; i < kFrameSamples; i++) {
    const Word32 a = L_abs(block[i]);
    if (L_sub(a, m) >= 0) m = a;
  }
  const Word16 shift = norm_l(m);
  for (int i = 0; i < kFrameSamples; i++) block[i] = L_shl(block[i], shift);
  return shift;
}

Word16 decode_spectrum_by_stages(const Word16 *bit_words, Word16 budget_stationary, Word16 budget_transient,
                                 Word32 *coefficients, Word16 *transient) {
  *transient = bit_words[0] == BIT_WORD_ONE ? 1 : 0;
  const Word16 *cursor = bit_words + 1;
  Word16 norm_indices[kBands];
  Word16 allocation[kBands];
  Word16 normalized[kCoded];
  g719_decode_spectrum_within(&cursor, bit_words + kDecoderBitWordsCapacity,
                              *transient != 0 ? budget_transient : budget_stationary, *transient, norm_indices,
                              allocation, normalized);
  Word16 noise_level = 0;
  if (*transient == 0) g719_read_value(cursor, 2, &noise_level);
  for (int i = kCoded; i < kFrameSamples; i++) coefficients[i] = 0;
  reconstruct_spectrum(normalized, coefficients, allocation, *transient, norm_indices, noise_level);

  Word32 m = 0;
  for (int i = 0; i < kFrameSamples; i++) {
    const Word32 a = L_abs(coefficients[i]);
    if (L_sub(a, m) >= 0) m = a;
  }
  const Word16 shift = sub(norm_l(m), 7);
  for (int i = 0; i < kFrameSamples; i++) coefficients[i] = L_shl(coefficients[i], shift);
  if (*transient != 0) deinterleave_transient_spectrum(coefficients);
  return shift;
}

Word16 norms_and_allocation(Word32 *coefficients, Word16 transient, Word16 frame_bits, Word16 budget,
                            Word16 *allocation) {
  if (transient != 0) interleave_transient_spectrum(coefficients);

  Word16 index[kNumBands];
  Word16 level[kNumBands];
  for (int b = 0; b < kNumBands; b++) {
    int group = 0;
    while (group + 1 < kNumBandGroups && b >= band_group_first_band[group + 1]) group++;
    compute_band_norm_index(coefficients + band_start_table[b], &index[b], b == 0 ? 32 : 40, band_width_table[b],
                            static_cast<Word16>(group));
    level[b] = norm_level_table[index[b]];
  }

  Word16 loudest = 0;
  Word16 max_level = level[0];
  for (int b = 1; b < kNumBands; b++) {
    if (sub(level[b], max_level) > 0) {
      loudest = static_cast<Word16>(b);
      max_level = level[b];
    }
  }
  const Word16 nb = sub(frame_bits, 960) < 0 && sub(loudest, sub(36, 2)) < 0 ? 36 : 44;

  Word16 diff_codes[kNumBands - 1];
  if (transient == 0) {
    limit_and_code_norm_differences(level, kNumBands, index, diff_codes);
    level[0] = norm_level_table[index[0]];
  } else {
    Word16 coded_index[kNumBands];
    Word16 coded_level[kNumBands];
    transient_norms_to_coding_order(index, level, coded_index, coded_level);
    limit_and_code_norm_differences(coded_level, kNumBands, coded_index, diff_codes);
    norms_to_band_order(coded_index, index, level);
  }
  Word16 norm_bits = norm_diff_huffman_cost(diff_codes, kNumBands - 1);
  if (sub(norm_bits, 215) > 0) norm_bits = 215;

  Word16 priority[kNumBands];
  Word16 band_order[kNumBands];
  for (int b = 0; b < nb; b++) band_order[b] = static_cast<Word16>(b);
  compute_allocation_priorities(level, priority, transient);
  sort_bands_by_priority(priority, nb, band_order);
  for (int b = 0; b < kNumBands; b++) allocation[b] = 0;
  allocate_bits(priority, band_order, sub(sub(sub(budget, 3), 5), norm_bits), nb, kMaxBitsPerCoefficient,
                allocation);
  return count_allocated_bits(allocation, nb);
}

const EncoderStageTrace &encoder_stage_trace(SignalKind kind, std::int32_t bitrate) {
  static std::map<std::pair<int, std::int32_t>, EncoderStageTrace> cache;
  const auto key = std::make_pair(static_cast<int>(kind), bitrate);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, build_encoder_trace(kind, bitrate)).first;
  return it->second;
}

const DecoderStageTrace &decoder_stage_trace(SignalKind kind, std::int32_t bitrate) {
  static std::map<std::pair<int, std::int32_t>, DecoderStageTrace> cache;
  const auto key = std::make_pair(static_cast<int>(kind), bitrate);
  auto it = cache.find(key);
  if (it == cache.end()) it = cache.emplace(key, build_decoder_trace(kind, bitrate)).first;
  return it->second;
}
