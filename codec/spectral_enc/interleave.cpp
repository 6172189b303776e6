#include "spectral_enc/interleave.h"

void interleave_transient_spectrum(Word32 *coefficients) {
  Word32 kept[kShortBlocks][kShortBlockCoded];
  for (int s = 0; s < kShortBlocks; ++s) {
    for (int j = 0; j < kShortBlockCoded; ++j) kept[s][j] = coefficients[kShortBlockLength * s + j];
  }
  int p = 0;
  for (int g = 0; g < kInterleaveSegments; ++g) {
    for (int s = 0; s < kShortBlocks; ++s) {
      for (int j = interleave_segment_edges[g]; j < interleave_segment_edges[g + 1]; ++j) {
        coefficients[p++] = kept[s][j];
      }
    }
  }
}
