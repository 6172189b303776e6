#include "spectral_enc/onebit_quantizer.h"

#include "spectral_enc/lattice_tables.h"

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
// 1.93e9 < 2^31: sub, L_mult0 and L_mac0 of the saturating search cannot
// saturate, and its distances (non-negative, so L_sub cannot either) are the
// plain d_l = sum (y[i] - 256 c_l[i])^2 = |y|^2 - 512 (c_l . y) + 65536
// |c_l|^2. They order like e_l = 128 |c_l|^2 - c_l . y, exactly (d_l =
// |y|^2 + 512 e_l), so the first smallest e_l is the leader of that search.
// |c_l|^2 is 4 for leaders 0 and 1, else 8; the products c_l . y need only
// y[0], y[1], y[6], y[7] and the sums of the first 2, 4 and 8 components.
// Every e_l lies within +-(1024 + 16 * 15000): plain int.
int nearest_onebit_leader_sums(const Word16 *y) {
  const int first2 = y[0] + y[1];
  const int first4 = first2 + y[2] + y[3];
  const int last2 = y[6] + y[7];
  const int all = first4 + y[4] + y[5] + last2;
  const int e[kOnebitLeaders] = {
      512 + 2 * y[7],                // (0, 0, 0, 0, 0, 0, 0, -2)
      512 - 2 * y[0],                // (2, 0, 0, 0, 0, 0, 0, 0)
      1024 + 2 * last2,              // (0, 0, 0, 0, 0, 0, -2, -2)
      1024 - 2 * (y[0] - y[7]),      // (2, 0, 0, 0, 0, 0, 0, -2)
      1024 - 2 * first2,             // (2, 2, 0, 0, 0, 0, 0, 0)
      1024 - all + 2 * last2,        // (1, 1, 1, 1, 1, 1, -1, -1)
      1024 + all - 2 * first4,       // (1, 1, 1, 1, -1, -1, -1, -1)
      1024 + all - 2 * first2,       // (1, 1, -1, -1, -1, -1, -1, -1)
      1024 + all,                    // (-1, ..., -1)
      1024 - all,                    // (1, ..., 1)
  };
  int leader = 0;
  int best = e[0];
  for (int l = 1; l < kOnebitLeaders; l++) {
    if (e[l] < best) {
      best = e[l];
      leader = l;
    }
  }
  return leader;
}

int nearest_onebit_leader(const Word16 *y) {
  if (y[0] <= kOnebitPlainBound && y[kLatticeDim - 1] >= -kOnebitPlainBound) return nearest_onebit_leader_sums(y);
  return nearest_onebit_leader_saturating(y);
}
