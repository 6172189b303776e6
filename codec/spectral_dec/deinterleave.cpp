#include "spectral_dec/deinterleave.h"

#include "spectral_enc/interleave.h"

void deinterleave_transient_spectrum(Word32 *coefficients) {
  // Gather all four blocks before writing any back: the block layout
  // overlaps the interleaved one. In the interleaved spectrum segment g
  // starts at 4 * its start within a block and holds one piece of every
  // block, block 0's first.
  Word32 blocks[kShortBlocks][kShortBlockCoded];
  for (int g = 0; g < kInterleaveSegments; g++) {
    const int start = interleave_segment_edges[g];
    const int width = interleave_segment_edges[g + 1] - start;
    const Word32 *region = coefficients + kShortBlocks * start;
    for (int j = 0; j < kShortBlocks; j++) {
      const Word32 *piece = region + j * width;
      for (int k = 0; k < width; k++) blocks[j][start + k] = piece[k];
    }
  }
  for (int j = 0; j < kShortBlocks; j++) {
    Word32 *out = coefficients + j * kShortBlockLength;
    for (int k = 0; k < kShortBlockCoded; k++) out[k] = blocks[j][k];
    for (int k = kShortBlockCoded; k < kShortBlockLength; k++) out[k] = 0;
  }
}
