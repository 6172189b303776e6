// Spectral encoder driver: band-count decision, layout of the spectral part,
// bit budget, and agreement with the spectral decoder on allocation and
// length.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "frame/bit_words.h"
#include "frame/codec_state.h"
#include "spectral_dec/spectral_decoder.h"
#include "spectral_enc/band_tables.h"
#include "spectral_enc/spectral_encoder.h"
#include "frame/kernel_sets.h"

namespace {

struct Encoded {
  std::vector<Word16> words;
  int length = 0;  // words written
  Word16 normalized[kCodedCoefficients];
  Word16 allocation[kNumBands];
};

constexpr Word16 kUntouched = 0x5555;

Encoded encode(std::vector<Word32> coefficients, Word16 frame_bits, Word16 transient) {
  Encoded e;
  e.words.assign(kDecoderBitWordsCapacity, kUntouched);
  for (Word16 &v : e.normalized) v = kUntouched;
  for (Word16 &a : e.allocation) a = kUntouched;
  const Word16 budget = transient != 0 ? sub(frame_bits, 1) : sub(frame_bits, 3);
  Word16 *cursor = e.words.data();
  g719_encode_spectrum<PortableKernels>(&cursor, coefficients.data(), e.normalized, e.allocation, budget, frame_bits,
                                        transient);
  e.length = static_cast<int>(cursor - e.words.data());
  return e;
}

// A spectrum with every coefficient of band b at +-amplitude[b].
std::vector<Word32> band_spectrum(const std::vector<Word32> &amplitude) {
  std::vector<Word32> c(kFrameSamples, 0);
  for (int b = 0; b < kNumBands; ++b) {
    for (int i = band_start_table[b]; i < band_end_table[b]; ++i) c[i] = (i & 1) ? -amplitude[b] : amplitude[b];
  }
  return c;
}

std::vector<Word32> random_spectrum(std::mt19937 &rng) {
  std::uniform_int_distribution<int> exponent(0, 24);
  std::normal_distribution<double> gauss(0.0, 1.0);
  std::vector<Word32> c(kFrameSamples, 0);
  int b = 0;
  double scale = std::ldexp(1.0, exponent(rng));
  for (int i = 0; i < kFrameSamples; ++i) {
    if (b < kNumBands && i >= band_end_table[b]) {
      ++b;
      if (rng() % 3 == 0) scale = std::ldexp(1.0, exponent(rng));
    }
    const double v = gauss(rng) * scale;
    c[i] = static_cast<Word32>(std::max(-2.0e9, std::min(2.0e9, v)));
  }
  return c;
}

std::string bits(const Encoded &e, int from, int count) {
  std::string s;
  for (int i = from; i < from + count; ++i) s += e.words[i] == BIT_WORD_ONE ? '1' : '0';
  return s;
}

TEST(BandCount, LowestRateDropsTheTopBandsUnlessTheyAreLoudest) {
  for (int loud : {0, 20, 33, 34, 40, 43}) {
    std::vector<Word32> amp(kNumBands, 1000);
    amp[loud] = 1 << 20;
    const Encoded e = encode(band_spectrum(amp), 640, 0);
    const bool all_bands = loud >= 34;
    EXPECT_EQ(e.words[0], all_bands ? BIT_WORD_ONE : BIT_WORD_ZERO) << "loudest band " << loud;
    if (!all_bands) {
      for (int b = 36; b < kNumBands; ++b) EXPECT_EQ(e.allocation[b], 0) << b;
      for (int i = band_start_table[36]; i < kCodedCoefficients; ++i) {
        ASSERT_EQ(e.normalized[i], kUntouched) << "uncoded bands are not normalised";
      }
    }
  }
}

TEST(BandCount, EqualLevelsLetTheLowerBandDecide) {
  std::vector<Word32> amp(kNumBands, 1000);
  amp[12] = 1 << 20;
  amp[40] = 1 << 20;
  EXPECT_EQ(encode(band_spectrum(amp), 640, 0).words[0], BIT_WORD_ZERO);
  // One norm step louder at the top makes band 40 the loudest.
  amp[40] = 3 << 19;
  EXPECT_EQ(encode(band_spectrum(amp), 640, 0).words[0], BIT_WORD_ONE);
}

TEST(BandCount, HigherRatesAlwaysCodeAllBands) {
  std::vector<Word32> amp(kNumBands, 1000);
  amp[3] = 1 << 20;
  for (Word16 frame_bits : {Word16{960}, Word16{1280}, Word16{2560}}) {
    for (Word16 transient : {Word16{0}, Word16{1}}) {
      EXPECT_EQ(encode(band_spectrum(amp), frame_bits, transient).words[0], BIT_WORD_ONE) << frame_bits;
    }
  }
}

TEST(SpectralPart, AllZeroSpectrumHeaderAndNorms) {
  const Encoded e = encode(std::vector<Word32>(kFrameSamples, 0), 640, 0);
  // Band 0 is loudest (level 3 against -5): 36 bands. The norm differences
  // (+8, then 42 zeros) cost 6 + 42 * 3 = 132 bits with the Huffman code.
  EXPECT_EQ(bits(e, 0, 2), "01");
  EXPECT_EQ(bits(e, 3, 5), "11111");
  std::string norms = "111110";
  for (int k = 0; k < 42; ++k) norms += "110";
  EXPECT_EQ(bits(e, 8, 132), norms);
  EXPECT_LE(e.length, 637);
  for (int i = 0; i < e.length; ++i) {
    ASSERT_TRUE(e.words[i] == BIT_WORD_ONE || e.words[i] == BIT_WORD_ZERO) << i;
  }
  EXPECT_EQ(e.words[e.length], kUntouched);
}

TEST(SpectralPart, RoughNormsFallBackToFiveBitFields) {
  // Alternating loud and silent bands make every difference large: the
  // Huffman cost exceeds 215 and the 5-bit fields are used.
  std::vector<Word32> amp(kNumBands);
  for (int b = 0; b < kNumBands; ++b) amp[b] = (b & 1) ? 0 : (1 << 24);
  const Encoded e = encode(band_spectrum(amp), 1280, 0);
  EXPECT_EQ(e.words[1], BIT_WORD_ZERO);
}

TEST(SpectralPart, EqualCoefficientCostsKeepFixedWidthIndices) {
  // 5-bit norms leave 7 bits of a 230-bit budget: nothing is allocated, so
  // both codings of the coefficients cost 0 bits and the flag stays 0.
  std::vector<Word32> amp(kNumBands);
  for (int b = 0; b < kNumBands; ++b) amp[b] = (b & 1) ? 0 : (1 << 24);
  const Encoded e = encode(band_spectrum(amp), 233, 0);
  EXPECT_EQ(e.words[1], BIT_WORD_ZERO);
  EXPECT_EQ(e.words[2], BIT_WORD_ZERO);
  EXPECT_EQ(e.length, 3 + 5 + 215);
  for (int b = 0; b < kNumBands; ++b) EXPECT_EQ(e.allocation[b], 0) << b;
}

// Decodes the spectral part and checks that the decoder recomputes the same
// allocation (spare-bit bands included) and stops exactly where the encoder
// stopped, and that the coded coefficients decode close to the encoder's
// normalised values.
// Returns the number of coefficients compared.
int expect_decoder_agrees(const Encoded &e, Word16 frame_bits, Word16 transient, const std::string &what) {
  int compared = 0;
  std::vector<Word16> words = e.words;
  for (size_t i = e.length; i < words.size(); ++i) words[i] = BIT_WORD_ZERO;
  const Word16 *cursor = words.data();
  Word16 norm_index[kNumBands], allocation[kNumBands], normalized[kCodedCoefficients];
  const Word16 budget = transient != 0 ? sub(frame_bits, 1) : sub(frame_bits, 3);
  g719_decode_spectrum<PortableKernels>(&cursor, words.data() + words.size(), budget, transient, norm_index, allocation,
                                        normalized);
  EXPECT_EQ(cursor - words.data(), e.length) << what;
  for (int b = 0; b < kNumBands; ++b) {
    EXPECT_EQ(allocation[b], e.allocation[b]) << what << " band " << b;
    if (allocation[b] != e.allocation[b]) return compared;
    if (e.allocation[b] < 4) continue;
    // At 4+ bits per coefficient a vector of moderate values lies inside the
    // codebook and decodes within a few quantizer steps (3 * 2^(9-R) each);
    // larger vectors may have been scaled down to fit.
    const int step = 3 << (9 - e.allocation[b]);
    for (int v = band_start_table[b]; v < band_end_table[b]; v += 8) {
      bool moderate = true;
      for (int i = v; i < v + 8; ++i) moderate = moderate && std::abs(e.normalized[i]) < 600;
      if (!moderate) continue;
      for (int i = v; i < v + 8; ++i) {
        EXPECT_NEAR(normalized[i], e.normalized[i], 4 * step) << what << " coefficient " << i;
        ++compared;
      }
    }
  }
  return compared;
}

TEST(SpectralPart, BudgetHoldsAndTheDecoderAgreesOnRandomSpectra) {
  std::mt19937 rng(2024);
  int compared = 0;
  for (Word16 frame_bits : {Word16{640}, Word16{800}, Word16{960}, Word16{1280}, Word16{1920}, Word16{2560}}) {
    for (Word16 transient : {Word16{0}, Word16{1}}) {
      for (int n = 0; n < 25; ++n) {
        const Encoded e = encode(random_spectrum(rng), frame_bits, transient);
        const std::string what = "frame_bits " + std::to_string(frame_bits) + " transient " +
                                 std::to_string(transient) + " case " + std::to_string(n);
        const int budget = transient != 0 ? frame_bits - 1 : frame_bits - 3;
        EXPECT_LE(e.length, budget) << what;
        EXPECT_GE(e.length, 8 + 130) << what;
        EXPECT_EQ(e.words[e.length], kUntouched) << what;
        compared += expect_decoder_agrees(e, frame_bits, transient, what);
      }
    }
  }
  EXPECT_GT(compared, 10000) << "the spectra must reach the finer resolutions";
}

TEST(SpectralPart, ExtremeSpectraStayWithinBudget) {
  // Full-scale, single-coefficient and alternating-extreme spectra exercise
  // saturation, the overload path and clamped norms.
  std::vector<std::vector<Word32>> cases;
  cases.emplace_back(kFrameSamples, MAX_32);
  cases.emplace_back(kFrameSamples, MIN_32);
  std::vector<Word32> spike(kFrameSamples, 0);
  spike[100] = MAX_32;
  cases.push_back(spike);
  std::vector<Word32> alternating(kFrameSamples);
  for (int i = 0; i < kFrameSamples; ++i) alternating[i] = (i % 3 == 0) ? MIN_32 : (i % 3 == 1 ? 1 : MAX_32);
  cases.push_back(alternating);
  for (const auto &c : cases) {
    for (Word16 frame_bits : {Word16{640}, Word16{1280}, Word16{2560}}) {
      for (Word16 transient : {Word16{0}, Word16{1}}) {
        const Encoded e = encode(c, frame_bits, transient);
        EXPECT_LE(e.length, transient != 0 ? frame_bits - 1 : frame_bits - 3);
        expect_decoder_agrees(e, frame_bits, transient, "extreme");
      }
    }
  }
}

TEST(SpectralPart, TransientFramesInterleaveBeforeTheNorms) {
  // Only sub-block 2's first 16 coefficients are loud; after interleaving
  // they form bands 4 and 5, so band 0 (sub-block 0) is silent and its norm
  // index is the largest allowed, 31.
  std::vector<Word32> c(kFrameSamples, 0);
  for (int j = 0; j < 16; ++j) c[480 + j] = 1 << 22;
  const Encoded e = encode(c, 1280, 1);
  EXPECT_EQ(bits(e, 3, 5), "11111");
  EXPECT_GT(e.allocation[4], 0);
  EXPECT_GT(e.allocation[5], 0);
  expect_decoder_agrees(e, 1280, 1, "transient");
}

}  // namespace
