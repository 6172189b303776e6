#include "spectral_dec/spectrum_reconstruction.h"

#include "spectral_dec/norm_scaling.h"
#include "spectral_enc/band_tables.h"

namespace {

constexpr Word16 kBands = kNumBands;

// Collects the normalized coefficients of every coded band, in band order.
// Returns their number (at most 800).
Word16 build_fill_codebook(const Word16 *normalized, const Word16 *allocation, Word16 *codebook) {
  Word16 n = 0;
  for (Word16 b = 0; b < kBands; b++) {
    if (allocation[b] == 0) continue;
    for (Word16 k = band_start_table[b]; k < band_end_table[b]; k++) {
      codebook[n] = normalized[k];
      n = add(n, 1);
    }
  }
  return n;
}

// Highest coded band of a stationary frame, 43 when none is coded. Transient
// frames always cover every band.
Word16 last_filled_band(const Word16 *allocation, Word16 transient) {
  if (transient != 0) return kBands - 1;
  for (Word16 b = kBands - 1; b >= 0; b--) {
    if (allocation[b] != 0) return b;
  }
  return kBands - 1;
}

// Bands 0..last without bits take consecutive codebook entries; the codebook
// position runs on across bands and wraps at its end.
void fill_uncoded_bands(Word16 *normalized, const Word16 *allocation, Word16 last, const Word16 *codebook,
                        Word16 n) {
  Word16 j = 0;
  for (Word16 b = 0; b <= last; b++) {
    if (allocation[b] != 0) continue;
    for (Word16 k = band_start_table[b]; k < band_end_table[b]; k++) {
      normalized[k] = codebook[j];
      j = add(j, 1);
      if (sub(j, n) >= 0) j = 0;
    }
  }
}

// Extends a stationary spectrum above coefficient e by mirroring the range
// h..e-1 (h = e / 2) back and forth. Down sweeps after the first one start at
// e itself, whose value is by then the copy of e-1.
void fold_upward(Word16 *normalized, Word16 e) {
  const Word16 h = shr(e, 1);
  Word16 s = sub(e, 1);
  bool down = true;
  for (Word16 k = e; k < kCodedCoefficients; k++) {
    normalized[k] = normalized[s];
    if (down) {
      if (sub(s, h) == 0) {
        down = false;
      } else {
        s = sub(s, 1);
      }
    } else {
      if (sub(s, sub(e, 1)) == 0) {
        down = true;
        s = e;
      } else {
        s = add(s, 1);
      }
    }
  }
}

void attenuate_filled_bands(Word16 *normalized, const Word16 *allocation, Word16 last, Word16 noise_level) {
  for (Word16 b = 0; b <= last; b++) {
    if (allocation[b] != 0) continue;
    for (Word16 k = band_start_table[b]; k < band_end_table[b]; k++) {
      normalized[k] = shr(normalized[k], noise_level);
    }
  }
}

}  // namespace

void reconstruct_spectrum(Word16 *normalized, Word32 *coefficients, const Word16 *allocation,
                          Word16 transient, const Word16 *norm_indices, Word16 noise_level) {
  Word16 codebook[kCodedCoefficients];
  const Word16 n = build_fill_codebook(normalized, allocation, codebook);
  const Word16 last = last_filled_band(allocation, transient);

  if (n != 0) {
    fill_uncoded_bands(normalized, allocation, last, codebook, n);
    if (transient == 0) {
      const Word16 e = band_end_table[last];
      if (sub(e, kCodedCoefficients) < 0) fold_upward(normalized, e);
    }
    attenuate_filled_bands(normalized, allocation, last, noise_level);
  }

  scale_by_norms(normalized, coefficients, norm_indices);
}
