// Encoder -> decoder agreement of the spectral part: for real and synthetic
// spectra, stationary and transient, at several bitrates, the decoder reads
// exactly the words the encoder wrote and arrives at the encoder's norms,
// bit allocation and (up to quantization) normalized spectrum.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "frame/bit_words.h"
#include "frame/codec_state.h"
#include "spectral_dec/spectral_decoder.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/interleave.h"
#include "spectral_enc/norm_quantizer.h"
#include "spectral_enc/spectral_encoder.h"
#include "transform/forward_transform.h"
#include "transform/transient_detector.h"
#include "transform/window_fold.h"
#include "frame/kernel_sets.h"

namespace {

using Spectrum = std::array<Word32, 960>;

Word16 band_group_of(int b) { return static_cast<Word16>(b < 16 ? 0 : b < 24 ? 1 : b < 36 ? 2 : 3); }

// The clamped norm indices the encoder sends, in band order, computed with
// the encoder's own norm functions.
std::array<Word16, 44> encoder_norms(Spectrum coefficients, Word16 transient) {
  if (transient) interleave_transient_spectrum(coefficients.data());
  std::array<Word16, 44> index{}, level{}, diff{};
  for (int b = 0; b < 44; ++b) {
    compute_band_norm_index(&coefficients[band_start_table[b]], &index[b], b == 0 ? 32 : 40, band_width_table[b],
                            band_group_of(b));
    level[b] = norm_level_table[index[b]];
  }
  if (!transient) {
    limit_and_code_norm_differences(level.data(), 44, index.data(), diff.data());
    return index;
  }
  std::array<Word16, 44> coded_index{}, coded_level{}, band_index{}, band_level{};
  transient_norms_to_coding_order(index.data(), level.data(), coded_index.data(), coded_level.data());
  limit_and_code_norm_differences(coded_level.data(), 44, coded_index.data(), diff.data());
  norms_to_band_order(coded_index.data(), band_index.data(), band_level.data());
  return band_index;
}

struct Agreement {
  int frames = 0;
  int transient_frames = 0;
  double signal = 0;  // energy of the encoder's normalized coefficients in unclamped bands of 4+ bits
  double error = 0;   // energy of the decoder's deviation from them
};

// Codes one spectrum at frame_bits and checks that the decoder agrees.
void check_frame(const Spectrum &coefficients, Word16 transient, int frame_bits, Agreement &total) {
  const Word16 budget = static_cast<Word16>(frame_bits - (transient ? 1 : 3));
  std::vector<Word16> words(kDecoderBitWordsCapacity, BIT_WORD_ZERO);
  Spectrum work = coefficients;
  std::array<Word16, 800> enc_normalized{};
  std::array<Word16, 44> enc_allocation{};
  Word16 *write_cursor = words.data() + 1;
  g719_encode_spectrum<PortableKernels>(&write_cursor, work.data(), enc_normalized.data(), enc_allocation.data(),
                                        budget, static_cast<Word16>(frame_bits), transient);
  const long written = write_cursor - (words.data() + 1);
  ASSERT_LE(written, budget);

  std::array<Word16, 44> norm_index{}, allocation{};
  std::array<Word16, 800> normalized{};
  const Word16 *read_cursor = words.data() + 1;
  g719_decode_spectrum<PortableKernels>(&read_cursor, words.data() + words.size(), budget, transient, norm_index.data(),
                                        allocation.data(), normalized.data());
  ASSERT_EQ(read_cursor - (words.data() + 1), written) << "frame_bits " << frame_bits << ", transient " << transient;
  ASSERT_EQ(allocation, enc_allocation);
  ASSERT_EQ(norm_index, encoder_norms(coefficients, transient));

  for (int b = 0; b < 44; ++b) {
    double band_energy = 0;
    for (int i = band_start_table[b]; i < band_end_table[b]; ++i) {
      if (allocation[b] == 0) {
        ASSERT_EQ(normalized[i], 0);
      }
      band_energy += static_cast<double>(enc_normalized[i]) * enc_normalized[i];
    }
    // Bands whose norm had to be clamped lie outside the quantizer's range;
    // the comparison takes bands normalized to about their RMS (256).
    const double rms = std::sqrt(band_energy / band_width_table[b]);
    if (allocation[b] < 4 || rms < 150 || rms > 400) continue;
    for (int i = band_start_table[b]; i < band_end_table[b]; ++i) {
      const double e = normalized[i] - 4.0 - enc_normalized[i];
      total.signal += static_cast<double>(enc_normalized[i]) * enc_normalized[i];
      total.error += e * e;
    }
  }
  total.frames++;
  total.transient_frames += transient != 0;
}

std::vector<Word16> read_pcm(const std::string &name) {
  std::ifstream in(std::string(VECTORS_DIR) + "/signals/" + name, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<Word16> pcm(bytes.size() / 2);
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    pcm[i] = static_cast<Word16>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return pcm;
}

// Transform coefficients of each whole frame of a signal, as the encoder's
// front end makes them (transient flag, fold, block scaling, transform).
std::vector<std::pair<Spectrum, Word16>> analyse(const std::vector<Word16> &pcm) {
  auto state = std::make_unique<G719EncoderState>();
  std::vector<std::pair<Spectrum, Word16>> frames;
  for (std::size_t start = 0; start + 960 <= pcm.size(); start += 960) {
    const Word16 transient = g719_detect_transient<PortableKernels>(&pcm[start], state.get());
    Spectrum folded{}, coefficients{};
    g719_window_fold(&pcm[start], folded.data(), state->window_history);
    Word32 largest = 0;
    for (Word32 v : folded) largest = std::max(largest, L_abs(v));
    const Word16 shift = norm_l(largest);
    for (Word32 &v : folded) v = L_shl(v, shift);
    g719_forward_transform<PortableKernels>(folded.data(), coefficients.data(), transient, 0);
    for (Word32 &v : coefficients) v = L_shr(v, shift);
    frames.emplace_back(coefficients, transient);
  }
  return frames;
}

TEST(EncoderDecoderAgreement, RealSignalsAtSeveralBitrates) {
  Agreement total;
  for (const char *name : {"speech_synth.pcm", "pluck_notes.pcm", "noise_bursts.pcm", "sweep_log.pcm",
                           "fullscale.pcm", "impulses_dc.pcm"}) {
    const auto frames = analyse(read_pcm(name));
    ASSERT_GT(frames.size(), 40u) << name;
    for (int frame_bits : {640, 960, 1280, 2560}) {
      for (const auto &[coefficients, transient] : frames) {
        check_frame(coefficients, transient, frame_bits, total);
        if (HasFatalFailure()) {
          ADD_FAILURE() << name << " at " << frame_bits << " bits per frame";
          return;
        }
      }
    }
  }
  EXPECT_GT(total.transient_frames, 20);
  const double snr = 10 * std::log10(total.signal / total.error);
  EXPECT_GT(snr, 15.0) << "normalized spectrum SNR of bands with 4 or more bits";
  RecordProperty("frames", total.frames);
  RecordProperty("snr_db", std::to_string(snr));
}

TEST(EncoderDecoderAgreement, SyntheticSpectraWithRandomEnvelopes) {
  // Band envelopes from silence to full scale, with empty bands, single
  // peaks and steep slopes, so that the norm clamping, 36-band coding and
  // all coding modes occur.
  std::mt19937 rng(31);
  std::normal_distribution<double> gauss(0.0, 1.0);
  Agreement total;
  for (int trial = 0; trial < 400; ++trial) {
    Spectrum coefficients{};
    const int style = trial % 4;
    for (int b = 0; b < 44; ++b) {
      double rms;
      switch (style) {
        case 0: rms = std::exp2(static_cast<double>(rng() % 26)); break;              // random levels
        case 1: rms = std::exp2(25.0 - 0.6 * b); break;                                // falling slope
        case 2: rms = (rng() % 3 == 0) ? 0.0 : std::exp2(4.0 + rng() % 20); break;  // gaps
        default: rms = (b == static_cast<int>(trial % 44)) ? std::exp2(28.0) : 1.0; break;  // one peak
      }
      for (int i = band_start_table[b]; i < band_end_table[b]; ++i) {
        const double v = std::clamp(rms * gauss(rng), -2.0e9, 2.0e9);
        coefficients[i] = static_cast<Word32>(v);
      }
    }
    const Word16 transient = static_cast<Word16>(trial % 3 == 0);
    for (int frame_bits : {640, 960, 1280, 1920}) {
      check_frame(coefficients, transient, frame_bits, total);
      if (HasFatalFailure()) {
        ADD_FAILURE() << "trial " << trial << " at " << frame_bits << " bits per frame";
        return;
      }
    }
  }
  const double snr = 10 * std::log10(total.signal / total.error);
  EXPECT_GT(snr, 15.0);
  RecordProperty("snr_db", std::to_string(snr));
}

}  // namespace
