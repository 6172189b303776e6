#include <gtest/gtest.h>

#include "spectral_dec/deinterleave.h"
#include "spectral_enc/interleave.h"

namespace {

// Interleaved position of coefficient p of short block j, from the region
// layout: four 64-wide regions of 16 per block, three 96-wide of 24, two
// 128-wide of 32.
int interleaved_position(int j, int p) {
  if (p < 64) return 64 * (p / 16) + 16 * j + p % 16;
  if (p < 136) return 256 + 96 * ((p - 64) / 24) + 24 * j + (p - 64) % 24;
  return 544 + 128 * ((p - 136) / 32) + 32 * j + (p - 136) % 32;
}

TEST(Deinterleave, EveryCoefficientLandsInItsBlockAndTheTailsAreCleared) {
  Word32 c[960];
  for (int i = 0; i < 960; i++) c[i] = 1000 + i;  // 800..959 must be ignored
  deinterleave_transient_spectrum(c);
  for (int j = 0; j < 4; j++) {
    for (int p = 0; p < 200; p++) {
      ASSERT_EQ(c[240 * j + p], 1000 + interleaved_position(j, p)) << "block " << j << " coefficient " << p;
    }
    for (int p = 200; p < 240; p++) ASSERT_EQ(c[240 * j + p], 0) << "block " << j << " tail " << p;
  }
}

TEST(Deinterleave, KnownPositions) {
  Word32 c[960] = {};
  for (int i = 0; i < 800; i++) c[i] = i + 1;
  deinterleave_transient_spectrum(c);
  for (int k = 0; k < 16; k++) {
    EXPECT_EQ(c[k], k + 1);            // entries 0..15 stay block 0's first 16
    EXPECT_EQ(c[240 + k], 16 + k + 1);  // entries 16..31 become block 1's first 16
  }
  EXPECT_EQ(c[919], 800);  // last interleaved entry is block 3's coefficient 199
}

TEST(Deinterleave, IsAPermutationOfTheCodedValues) {
  Word32 c[960];
  for (int i = 0; i < 960; i++) c[i] = (i < 800) ? i + 1 : -5;
  deinterleave_transient_spectrum(c);
  bool seen[801] = {};
  for (int j = 0; j < 4; j++) {
    for (int p = 0; p < 200; p++) {
      const Word32 v = c[240 * j + p];
      ASSERT_GE(v, 1);
      ASSERT_LE(v, 800);
      ASSERT_FALSE(seen[v]) << "value " << v << " appears twice";
      seen[v] = true;
    }
  }
}

TEST(Deinterleave, UndoesTheEncodersInterleaving) {
  Word32 blocks[960];
  for (int i = 0; i < 960; i++) blocks[i] = (i % 240 < 200) ? (i * 7919) % 100003 - 50000 : 0;
  Word32 c[960];
  for (int i = 0; i < 960; i++) c[i] = blocks[i];
  interleave_transient_spectrum(c);
  for (int i = 800; i < 960; i++) c[i] = 0;
  deinterleave_transient_spectrum(c);
  for (int i = 0; i < 960; i++) ASSERT_EQ(c[i], blocks[i]) << i;
}

}  // namespace
