// Band layout of the coded spectrum and the norm tables that go with it.
//
// Coefficients 0..799 of a frame are split into 44 bands in four band groups
// of equal-width bands. Encoder and decoder share these tables; they are
// built at compile time from the four groups.
#pragma once

#include "basop/basop.h"
#include "frame/frame_geometry.h"

inline constexpr int kNumNormIndices = 40;  // norm indices 0..39
// Bands coded when the top band group is dropped (at the lowest bitrates).
inline constexpr Word16 kReducedBands = 36;
// sqrt(1/2) in Q15: the half step between two norm indices.
inline constexpr Word16 kSqrtHalfQ15 = 23170;

// Per band group: first band, number of bands, band width, first coefficient.
inline constexpr Word16 band_group_first_band[kNumBandGroups] = {0, 16, 24, 36};
inline constexpr Word16 band_group_band_count[kNumBandGroups] = {16, 8, 12, 8};
inline constexpr Word16 band_group_width[kNumBandGroups] = {8, 16, 24, 32};
inline constexpr Word16 band_group_start[kNumBandGroups] = {0, 128, 256, 544};

// Band groups whose coefficients are coded for band_count coded bands: all
// four, or three without the top one.
inline int coded_band_groups(Word16 band_count) {
  return sub(band_count, kReducedBands) > 0 ? kNumBandGroups : kNumBandGroups - 1;
}
// Extra headroom taken off the block shift when a band's energy is summed, and
// 1/width in Q15, per band group.
inline constexpr Word16 norm_shift_offset_table[kNumBandGroups] = {1, 2, 2, 2};
inline constexpr Word16 reciprocal_width_table[kNumBandGroups] = {4096, 2048, 1365, 1024};

namespace band_tables_detail {
struct BandLayout {
  Word16 start[kNumBands];
  Word16 end[kNumBands];
  Word16 width[kNumBands];
};

constexpr BandLayout make_band_layout() {
  BandLayout t{};
  int b = 0;
  for (int g = 0; g < kNumBandGroups; ++g) {
    for (int i = 0; i < band_group_band_count[g]; ++i, ++b) {
      t.width[b] = band_group_width[g];
      t.start[b] = static_cast<Word16>(band_group_start[g] + i * band_group_width[g]);
      t.end[b] = static_cast<Word16>(t.start[b] + t.width[b]);
    }
  }
  return t;
}

inline constexpr BandLayout kBandLayout = make_band_layout();

struct LevelTable {
  Word16 v[kNumNormIndices];
};
constexpr LevelTable make_level_table() {
  LevelTable t{};
  for (int i = 0; i < kNumNormIndices; ++i) t.v[i] = static_cast<Word16>(34 - i);
  return t;
}
inline constexpr LevelTable kLevelTable = make_level_table();
}  // namespace band_tables_detail

// First coefficient, end (exclusive) and width of each of the 44 bands.
inline constexpr const Word16 (&band_start_table)[kNumBands] = band_tables_detail::kBandLayout.start;
inline constexpr const Word16 (&band_end_table)[kNumBands] = band_tables_detail::kBandLayout.end;
inline constexpr const Word16 (&band_width_table)[kNumBands] = band_tables_detail::kBandLayout.width;

// Norm level of each norm index: 34 - index (log2 energy in 3 dB steps).
inline constexpr const Word16 (&norm_level_table)[kNumNormIndices] = band_tables_detail::kLevelTable.v;

// Level of any Word16 norm index: the table entry for 0..39, and the same
// formula, 34 - index with saturation, outside that range (so a corrupt index
// never reads outside the table).
inline Word16 norm_level_of(Word16 index) {
  if (index >= 0 && index < kNumNormIndices) return norm_level_table[index];
  return sub(34, index);
}

// Coding order of the norms of a transient frame: position k codes band
// transient_norm_order[k]. It walks the short-block bands as a snake through
// time and frequency (sub-block 0 up, 1 down, 2 up, 3 down).
inline constexpr Word16 transient_norm_order[kNumBands] = {
    0,  1,  8,  9,  16, 20, 24, 28, 32, 36, 40, 41, 37, 33, 29, 25, 21, 17, 11, 10, 3,  2,
    4,  5,  12, 13, 18, 22, 26, 30, 34, 38, 42, 43, 39, 35, 31, 27, 23, 19, 15, 14, 7,  6};

namespace band_tables_detail {
struct Order {
  Word16 v[kNumBands];
};
constexpr Order invert_order() {
  Order q{};
  for (int k = 0; k < kNumBands; ++k) q.v[transient_norm_order[k]] = static_cast<Word16>(k);
  return q;
}
inline constexpr Order kTransientNormPosition = invert_order();
}  // namespace band_tables_detail

// Inverse of transient_norm_order: band b is coded at position
// transient_norm_position[b].
inline constexpr const Word16 (&transient_norm_position)[kNumBands] =
    band_tables_detail::kTransientNormPosition.v;
