#include "spectral_dec/deinterleave.h"

namespace {

constexpr int kBlocks = 4;
constexpr int kBlockLength = 240;
constexpr int kCodedPerBlock = 200;
constexpr int kSegments = 9;

// Segment edges of the first 200 coefficients of a short block. In the
// interleaved spectrum segment g starts at 4 * start and holds one piece of
// every block, block 0's first.
constexpr int kSegmentStart[kSegments + 1] = {0, 16, 32, 48, 64, 88, 112, 136, 168, 200};

}  // namespace

void deinterleave_transient_spectrum(Word32 *coefficients) {
  // Gather all four blocks before writing any back: the block layout
  // overlaps the interleaved one.
  Word32 blocks[kBlocks][kCodedPerBlock];
  for (int g = 0; g < kSegments; g++) {
    const int start = kSegmentStart[g];
    const int width = kSegmentStart[g + 1] - start;
    const Word32 *region = coefficients + kBlocks * start;
    for (int j = 0; j < kBlocks; j++) {
      const Word32 *piece = region + j * width;
      for (int k = 0; k < width; k++) blocks[j][start + k] = piece[k];
    }
  }
  for (int j = 0; j < kBlocks; j++) {
    Word32 *out = coefficients + j * kBlockLength;
    for (int k = 0; k < kCodedPerBlock; k++) out[k] = blocks[j][k];
    for (int k = kCodedPerBlock; k < kBlockLength; k++) out[k] = 0;
  }
}
