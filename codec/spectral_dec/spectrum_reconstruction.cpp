#include "spectral_dec/spectrum_reconstruction.h"

#include <cstring>

#include "frame/kernel_sets.h"
#include "spectral_enc/band_tables.h"

namespace {

// The noise-filling codebook is the normalized coefficients of every coded
// band, in band order. Filling writes only bands without bits, so the coded
// coefficients stay as they are while the bands are filled and the codebook
// is read from the spectrum itself, as runs of adjacent coded bands
// (bands are contiguous, so a run is one range of coefficients).
struct CodedRuns {
  Word16 start[kNumBands];
  Word16 length[kNumBands];
  int count = 0;
  int total = 0;  // codebook size, at most 800
};

CodedRuns coded_runs(const Word16 *allocation) {
  CodedRuns runs;
  for (int b = 0; b < kNumBands; b++) {
    if (allocation[b] == 0) continue;
    if (runs.count > 0 && runs.start[runs.count - 1] + runs.length[runs.count - 1] == band_start_table[b]) {
      runs.length[runs.count - 1] = static_cast<Word16>(runs.length[runs.count - 1] + band_width_table[b]);
    } else {
      runs.start[runs.count] = band_start_table[b];
      runs.length[runs.count] = band_width_table[b];
      runs.count++;
    }
    runs.total += band_width_table[b];
  }
  return runs;
}

// Highest coded band of a stationary frame, 43 when none is coded. Transient
// frames always cover every band.
Word16 last_filled_band(const Word16 *allocation, Word16 transient) {
  if (transient != 0) return kNumBands - 1;
  for (Word16 b = kNumBands - 1; b >= 0; b--) {
    if (allocation[b] != 0) return b;
  }
  return kNumBands - 1;
}

// Bands 0..last without bits take consecutive codebook entries; the codebook
// position runs on across bands and wraps at its end. Copies run by run:
// one memcpy per stretch that neither ends a band nor a run. Codebook
// entries lie in coded bands, the destinations in uncoded ones, so the
// ranges never overlap.
void fill_uncoded_bands(Word16 *normalized, const Word16 *allocation, Word16 last, const CodedRuns &runs) {
  int run = 0;
  int offset = 0;  // position inside the current run
  for (int b = 0; b <= last; b++) {
    if (allocation[b] != 0) continue;
    int k = band_start_table[b];
    const int end = band_end_table[b];
    while (k < end) {
      const int left = runs.length[run] - offset;
      const int take = end - k < left ? end - k : left;
      std::memcpy(normalized + k, normalized + runs.start[run] + offset,
                  static_cast<std::size_t>(take) * sizeof(Word16));
      k += take;
      offset += take;
      if (offset == runs.length[run]) {
        offset = 0;
        run = run + 1 == runs.count ? 0 : run + 1;
      }
    }
  }
}

// Extends a stationary spectrum above coefficient e by mirroring the range
// h..e-1 (h = e / 2) back and forth: first e-1 down to h, then repeatedly h
// up to e-1 and e down to h, where e by then holds the copy of e-1. Every
// source lies at or below e, below every destination, and is final when
// read. Indices stay in 0..800, so plain int arithmetic replaces the add/sub
// of the stepwise form.
template <class K>
void fold_upward(Word16 *normalized, int e) {
  const int h = e >> 1;
  int k = e;
  auto room = [&k](int want) { return want < kCodedCoefficients - k ? want : kCodedCoefficients - k; };
  int n = room(e - h);
  K::copy_descending(normalized, e - 1, k, n);
  k += n;
  while (k < kCodedCoefficients) {
    n = room(e - h);
    std::memcpy(normalized + k, normalized + h, static_cast<std::size_t>(n) * sizeof(Word16));
    k += n;
    n = room(e - h + 1);
    K::copy_descending(normalized, e, k, n);
    k += n;
  }
}

// Shifts the filled bands right by the noise level. For levels 0..15 the
// shr is the plain arithmetic shift (no saturation, no flag); any other
// level keeps shr.
void attenuate_filled_bands(Word16 *normalized, const Word16 *allocation, Word16 last, Word16 noise_level) {
  const bool plain = noise_level >= 0 && noise_level <= 15;
  for (Word16 b = 0; b <= last; b++) {
    if (allocation[b] != 0) continue;
    Word16 *band = normalized + band_start_table[b];
    const int width = band_width_table[b];
    if (plain) {
      for (int k = 0; k < width; k++) band[k] = static_cast<Word16>(band[k] >> noise_level);
    } else {
      for (int k = 0; k < width; k++) band[k] = shr(band[k], noise_level);
    }
  }
}

}  // namespace

void copy_descending(Word16 *v, int s, int k, int count) {
  for (int i = 0; i < count; ++i) v[k + i] = v[s - i];
}

template <class K>
Word32 reconstruct_spectrum(Word16 *normalized, Word32 *coefficients, const Word16 *allocation,
                            Word16 transient, const Word16 *norm_indices, Word16 noise_level) {
  const CodedRuns runs = coded_runs(allocation);
  const Word16 last = last_filled_band(allocation, transient);

  if (runs.total != 0) {
    fill_uncoded_bands(normalized, allocation, last, runs);
    if (transient == 0) {
      const Word16 e = band_end_table[last];
      if (e < kCodedCoefficients) fold_upward<K>(normalized, e);
    }
    attenuate_filled_bands(normalized, allocation, last, noise_level);
  }

  return K::scale_by_norms(normalized, coefficients, norm_indices);
}

template Word32 reconstruct_spectrum<PortableKernels>(Word16 *, Word32 *, const Word16 *, Word16, const Word16 *,
                                                      Word16);
template Word32 reconstruct_spectrum<Avx2Kernels>(Word16 *, Word32 *, const Word16 *, Word16, const Word16 *,
                                                  Word16);
