// The one-bit codebook and its rank table, built at compile time from the
// codebook's row layout.
#include "spectral_enc/lattice_tables.h"

namespace {

constexpr int kPairs = 28;  // pairs i < j of 8 positions
constexpr int kQuads = 70;  // sets of 4 of 8 positions

// The four positions carrying -1 in codebook rows 156..225, in row order.
constexpr Word16 kQuadRows[kQuads][4] = {
    {0, 1, 2, 3}, {0, 1, 2, 4}, {0, 1, 2, 5}, {0, 1, 2, 6}, {0, 1, 2, 7}, {0, 1, 3, 4}, {0, 1, 3, 5},
    {0, 1, 3, 6}, {0, 1, 3, 7}, {0, 1, 4, 5}, {0, 1, 4, 6}, {0, 1, 4, 7}, {0, 1, 6, 7}, {0, 1, 5, 7},
    {0, 1, 5, 6}, {0, 2, 3, 4}, {0, 2, 3, 5}, {0, 2, 3, 6}, {0, 2, 3, 7}, {0, 2, 4, 5}, {0, 2, 4, 6},
    {0, 2, 4, 7}, {0, 2, 6, 7}, {0, 2, 5, 7}, {0, 2, 5, 6}, {0, 5, 6, 7}, {0, 4, 6, 7}, {0, 4, 5, 7},
    {0, 4, 5, 6}, {0, 3, 4, 5}, {0, 3, 4, 6}, {0, 3, 4, 7}, {0, 3, 6, 7}, {0, 3, 5, 7}, {0, 3, 5, 6},
    {4, 5, 6, 7}, {3, 5, 6, 7}, {3, 4, 6, 7}, {3, 4, 5, 7}, {3, 4, 5, 6}, {2, 5, 6, 7}, {2, 4, 6, 7},
    {2, 4, 5, 7}, {2, 4, 5, 6}, {2, 3, 6, 7}, {2, 3, 5, 7}, {2, 3, 5, 6}, {2, 3, 4, 5}, {2, 3, 4, 6},
    {2, 3, 4, 7}, {1, 5, 6, 7}, {1, 4, 6, 7}, {1, 4, 5, 7}, {1, 4, 5, 6}, {1, 3, 6, 7}, {1, 3, 5, 7},
    {1, 3, 5, 6}, {1, 3, 4, 5}, {1, 3, 4, 6}, {1, 3, 4, 7}, {1, 2, 3, 4}, {1, 2, 3, 5}, {1, 2, 3, 6},
    {1, 2, 3, 7}, {1, 2, 6, 7}, {1, 2, 5, 7}, {1, 2, 5, 6}, {1, 2, 4, 5}, {1, 2, 4, 6}, {1, 2, 4, 7}};

struct Pair {
  int i;
  int j;
};

// The pair of lexicographic rank r: (0,1), (0,2), ..., (0,7), (1,2), ..., (6,7).
constexpr Pair pair_of_rank(int r) {
  for (int i = 0; i < kLatticeDim; ++i) {
    for (int j = i + 1; j < kLatticeDim; ++j) {
      if (r == 0) return {i, j};
      --r;
    }
  }
  return {0, 0};
}

struct Codebook {
  Word16 v[kOnebitCodebookSize * kLatticeDim];
};

constexpr Codebook make_codebook() {
  Codebook c{};
  auto row = [&c](int index) { return c.v + index * kLatticeDim; };
  for (int r = 0; r < 8; ++r) {
    row(r)[r] = -2;
    row(8 + r)[r] = 2;
  }
  // Two components of +-2, four blocks of sign pairs (component i, component j).
  constexpr Word16 kSigns[4][2] = {{-2, -2}, {-2, 2}, {2, -2}, {2, 2}};
  for (int block = 0; block < 4; ++block) {
    for (int r = 0; r < kPairs; ++r) {
      const Pair p = pair_of_rank(r);
      Word16 *u = row(16 + block * kPairs + r);
      u[p.i] = kSigns[block][0];
      u[p.j] = kSigns[block][1];
    }
  }
  for (int r = 0; r < kPairs; ++r) {
    const Pair p = pair_of_rank(r);
    Word16 *neg = row(128 + r);  // -1 at the pair, +1 elsewhere
    Word16 *pos = row(226 + r);  // +1 at the pair, -1 elsewhere
    for (int i = 0; i < kLatticeDim; ++i) {
      const bool in_pair = i == p.i || i == p.j;
      neg[i] = in_pair ? -1 : 1;
      pos[i] = in_pair ? 1 : -1;
    }
  }
  for (int r = 0; r < kQuads; ++r) {
    Word16 *u = row(156 + r);
    for (int i = 0; i < kLatticeDim; ++i) u[i] = 1;
    for (int n = 0; n < 4; ++n) u[kQuadRows[r][n]] = -1;
  }
  for (int i = 0; i < kLatticeDim; ++i) {
    row(254)[i] = -1;
    row(255)[i] = 1;
  }
  return c;
}

struct RankTable {
  Word16 v[kOnebitCodebookSize];
};

constexpr RankTable make_rank_table() {
  RankTable t{};
  for (int p = 0; p < kLatticeDim; ++p) t.v[1 << p] = static_cast<Word16>(p);
  for (int r = 0; r < kPairs; ++r) {
    const Pair p = pair_of_rank(r);
    const int mask = (1 << p.i) | (1 << p.j);
    t.v[mask] = static_cast<Word16>(r);
    t.v[0xFF ^ mask] = static_cast<Word16>(98 + r);
  }
  for (int r = 0; r < kQuads; ++r) {
    int mask = 0;
    for (int n = 0; n < 4; ++n) mask |= 1 << kQuadRows[r][n];
    t.v[mask] = static_cast<Word16>(28 + r);
  }
  t.v[0xFF] = 126;
  t.v[0] = 127;
  return t;
}

constexpr Codebook kCodebook = make_codebook();
constexpr RankTable kRankTable = make_rank_table();

}  // namespace

const Word16 (&onebit_rank_table)[kOnebitCodebookSize] = kRankTable.v;
const Word16 (&onebit_codebook)[kOnebitCodebookSize * kLatticeDim] = kCodebook.v;
