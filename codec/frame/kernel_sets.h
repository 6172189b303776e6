// The two kernel sets a frame can run on.
//
// A kernel is a small function whose work the vector units can speed up:
// the portable set runs its plain C++ form (basic operators, or plain
// arithmetic where a bound written beside the code rules out saturation), the
// AVX2 set its *_avx2 twin, which gives exactly the same values and the same
// Overflow flag for every input. A twin that is fast only for some inputs
// handles the others itself, by calling its portable form.
//
// Everything above the kernels is written once, as templates over the set
// type K that call K::kernel(...): the frame drivers (frame/encode_frame.h,
// frame/decode_frame.h) and the stages between them and the kernels. They
// are instantiated for both sets next to their definitions, and g719_encode
// and g719_decode pick the instantiation from the instance's set
// (frame/kernel_choice.h) once per frame, so a whole frame runs on one set
// and every kernel call is a direct call.
//
// Adding a kernel: declare it and its twin in the stage's header, put the
// twin's body in a file named <stage>_avx2.cpp (frame/avx2_target.h gives
// the attribute and the rule for vector code), and add one entry to each
// struct below.
#pragma once

#include <cstdint>

#include "basop/basop.h"
#include "frame/bit_words.h"
#include "frame/bit_words_avx2.h"
#include "frame/block_scaling.h"
#include "frame/frame_bytes.h"
#include "frame/kernel_choice.h"
#include "spectral_dec/coefficient_decoding.h"
#include "spectral_dec/norm_scaling.h"
#include "spectral_dec/spectrum_reconstruction.h"
#include "spectral_enc/coef_huffman.h"
#include "spectral_enc/coefficient_coding.h"
#include "spectral_enc/lattice.h"
#include "spectral_enc/noise_level_index.h"
#include "spectral_enc/norm_quantizer.h"
#include "spectral_enc/onebit_quantizer.h"
#include "spectral_enc/priority_search.h"
#include "transform/dct4.h"
#include "transform/forward_windows.h"
#include "transform/inverse_transform.h"
#include "transform/subblock_energy.h"
#include "transform/transient_highpass.h"
#include "transform/window_fold.h"

struct PortableKernels {
  // Bit words and block scaling (frame/).
  static void pack_bit_words(const Word16 *w, std::int32_t bytes, std::uint8_t *f) { ::pack_bit_words(w, bytes, f); }
  static std::uint32_t gather_16_bits(const Word16 *w) { return ::gather_16_bits(w); }
  static void block_shl(Word32 *x, int n, Word16 s) { ::block_shl(x, n, s); }
  static void block_shl_copy(Word32 *x, int n, Word16 s, Word32 *c) { ::block_shl_copy(x, n, s, c); }
  static void block_shr(Word32 *x, int n, Word16 s) { ::block_shr(x, n, s); }

  // Transient detector, windows and transforms (transform/).
  static SubblockEnergy subblock_energy(const Word16 *y, int n) { return ::subblock_energy(y, n); }
  static Word32 highpass_input_terms(const Word16 *x, Word16 p, Word32 *d) { return ::highpass_input_terms(x, p, d); }
  static void highpass_narrow(const Word32 *w, Word16 *y) { ::highpass_narrow(w, y); }
  static Word32 window_fold(const Word16 *in, Word32 *f, Word32 *h) { return ::g719_window_fold(in, f, h); }
  static void long_transform_input(const Word32 *f, Word32 *b, Word16 s) { ::long_transform_input(f, b, s); }
  static void short_window_blocks(const Word32 *f, Word32 *b, Word16 s) { ::short_window_blocks(f, b, s); }
  static void dct4_960(Word32 *in, Word32 *out) { ::dct4_960(in, out); }
  static void dct4_960_small_input(Word32 *in, Word32 *out) { ::dct4_960(in, out); }
  static void dct4_240_x4(const Word32 *in, Word32 *out) { ::dct4_240_x4(in, out); }
  static void unfold_aliased(const Word32 *v, Word32 *a) { ::unfold_aliased(v, a); }
  static void unfold_halved_aliased(const Word32 *v, Word32 *a) { ::unfold_halved_aliased(v, a); }
  static void scaled_overlap_add(const Word32 *a, Word16 s, Word16 *pcm, Word32 *h) {
    ::g719_scaled_overlap_add(a, s, pcm, h);
  }

  // Spectral encoder (spectral_enc/).
  static void compute_norm_indices(const Word32 *c, Word16 *n) { ::compute_norm_indices(c, n); }
  static void normalize_band_coefficients(Word32 *c, const Word16 *n, Word16 f, Word16 e, Word16 w, Word16 *o) {
    ::normalize_band_coefficients(c, n, f, e, w, o);
  }
  static WindowMax window_max(const Word16 *w, int first, int last) { return ::window_max(w, first, last); }
  static void lattice_quantize_vectors(const Word16 *v, Word16 *k, Word16 n, Word16 r) {
    ::lattice_quantize_vectors(v, k, n, r);
  }
  static void quantize_onebit_vectors(const Word16 *v, Word16 *o, Word16 n) { ::quantize_onebit_vectors(v, o, n); }
  static Word16 add_huffman_lengths(Word16 bits, const Word16 *b, Word16 w, Word16 r) {
    return ::add_huffman_lengths(bits, b, w, r);
  }
  static Word16 noise_level_index(const Word16 *n, const Word16 *a) { return ::g719_noise_level_index(n, a); }

  // Spectral decoder (spectral_dec/).
  static void dequantize_band_group(const Word16 *i, const Word16 *a, Word16 f, Word16 e, Word16 w, Word16 *n) {
    ::dequantize_band_group(i, a, f, e, w, n);
  }
  static Word32 scale_by_norms(const Word16 *n, Word32 *c, const Word16 *i) { return ::scale_by_norms(n, c, i); }
  static void copy_descending(Word16 *v, int s, int k, int n) { ::copy_descending(v, s, k, n); }
};

struct Avx2Kernels {
  // Bit words and block scaling (frame/).
  static void pack_bit_words(const Word16 *w, std::int32_t bytes, std::uint8_t *f) { pack_bit_words_avx2(w, bytes, f); }
  static std::uint32_t gather_16_bits(const Word16 *w) { return gather_16_bits_avx2(w); }
  static void block_shl(Word32 *x, int n, Word16 s) { block_shl_avx2(x, n, s); }
  static void block_shl_copy(Word32 *x, int n, Word16 s, Word32 *c) { block_shl_copy_avx2(x, n, s, c); }
  static void block_shr(Word32 *x, int n, Word16 s) { block_shr_avx2(x, n, s); }

  // Transient detector, windows and transforms (transform/).
  static SubblockEnergy subblock_energy(const Word16 *y, int n) { return subblock_energy_avx2(y, n); }
  static Word32 highpass_input_terms(const Word16 *x, Word16 p, Word32 *d) {
    return highpass_input_terms_avx2(x, p, d);
  }
  static void highpass_narrow(const Word32 *w, Word16 *y) { highpass_narrow_avx2(w, y); }
  static Word32 window_fold(const Word16 *in, Word32 *f, Word32 *h) { return g719_window_fold_avx2(in, f, h); }
  static void long_transform_input(const Word32 *f, Word32 *b, Word16 s) { long_transform_input_avx2(f, b, s); }
  static void short_window_blocks(const Word32 *f, Word32 *b, Word16 s) { short_window_blocks_avx2(f, b, s); }
  static void dct4_960(Word32 *in, Word32 *out) { dct4_960_avx2(in, out); }
  static void dct4_960_small_input(Word32 *in, Word32 *out) { dct4_960_small_input_avx2(in, out); }
  static void dct4_240_x4(const Word32 *in, Word32 *out) { dct4_240_x4_avx2(in, out); }
  static void unfold_aliased(const Word32 *v, Word32 *a) { unfold_aliased_avx2(v, a); }
  static void unfold_halved_aliased(const Word32 *v, Word32 *a) { unfold_halved_aliased_avx2(v, a); }
  static void scaled_overlap_add(const Word32 *a, Word16 s, Word16 *pcm, Word32 *h) {
    g719_scaled_overlap_add_avx2(a, s, pcm, h);
  }

  // Spectral encoder (spectral_enc/).
  static void compute_norm_indices(const Word32 *c, Word16 *n) { compute_norm_indices_avx2(c, n); }
  static void normalize_band_coefficients(Word32 *c, const Word16 *n, Word16 f, Word16 e, Word16 w, Word16 *o) {
    normalize_band_coefficients_avx2(c, n, f, e, w, o);
  }
  static WindowMax window_max(const Word16 *w, int first, int last) { return window_max_avx2(w, first, last); }
  static void lattice_quantize_vectors(const Word16 *v, Word16 *k, Word16 n, Word16 r) {
    lattice_quantize_vectors_avx2(v, k, n, r);
  }
  static void quantize_onebit_vectors(const Word16 *v, Word16 *o, Word16 n) { quantize_onebit_vectors_avx2(v, o, n); }
  static Word16 add_huffman_lengths(Word16 bits, const Word16 *b, Word16 w, Word16 r) {
    return add_huffman_lengths_avx2(bits, b, w, r);
  }
  static Word16 noise_level_index(const Word16 *n, const Word16 *a) { return g719_noise_level_index_avx2(n, a); }

  // Spectral decoder (spectral_dec/).
  static void dequantize_band_group(const Word16 *i, const Word16 *a, Word16 f, Word16 e, Word16 w, Word16 *n) {
    dequantize_band_group_avx2(i, a, f, e, w, n);
  }
  static Word32 scale_by_norms(const Word16 *n, Word32 *c, const Word16 *i) { return scale_by_norms_avx2(n, c, i); }
  static void copy_descending(Word16 *v, int s, int k, int n) { copy_descending_avx2(v, s, k, n); }
};
