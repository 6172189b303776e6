#include "spectral_enc/onebit_leader_search.h"

#include "spectral_enc/lattice_tables.h"

namespace {

// The one-bit leaders times 256, the scale of the quantizer's input.
struct ScaledLeaders {
  Word32 v[kOnebitLeaders][kLatticeDim];
};

constexpr ScaledLeaders make_scaled_leaders() {
  ScaledLeaders t{};
  for (int l = 0; l < kOnebitLeaders; l++) {
    for (int i = 0; i < kLatticeDim; i++) t.v[l][i] = onebit_leader_table[l][i] * 256;
  }
  return t;
}

constexpr ScaledLeaders scaled_leaders = make_scaled_leaders();

}  // namespace

int nearest_onebit_leader_saturating(const Word16 *y) {
  int leader = 0;
  Word32 best_d = MAX_32;
  for (int l = 0; l < kOnebitLeaders; l++) {
    const Word16 *c = onebit_leader_table[l];
    const Word16 e0 = sub(y[0], shl(c[0], 8));
    Word32 d = L_mult0(e0, e0);
    for (int i = 1; i < kLatticeDim; i++) {
      const Word16 e = sub(y[i], shl(c[i], 8));
      d = L_mac0(d, e, e);
    }
    if (L_sub(d, best_d) < 0) {
      best_d = d;
      leader = l;
    }
  }
  return leader;
}

// Within the bound the scaled leaders (at most 512 in magnitude) leave every
// difference below 15513 in magnitude and the sum of eight squares below
// 1.93e9 < 2^31: sub, L_mult0 and L_mac0 cannot saturate, and the distances
// (non-negative, so L_sub cannot either) are the plain ones.
int nearest_onebit_leader_plain(const Word16 *y) {
  int leader = 0;
  Word32 best_d = MAX_32;
  for (int l = 0; l < kOnebitLeaders; l++) {
    Word32 d = 0;
    for (int i = 0; i < kLatticeDim; i++) {
      const Word32 e = static_cast<Word32>(y[i]) - scaled_leaders.v[l][i];
      d += e * e;
    }
    if (d < best_d) {
      best_d = d;
      leader = l;
    }
  }
  return leader;
}

int nearest_onebit_leader(const Word16 *y) {
  if (y[0] <= kOnebitPlainBound && y[kLatticeDim - 1] >= -kOnebitPlainBound) return nearest_onebit_leader_plain(y);
  return nearest_onebit_leader_saturating(y);
}
