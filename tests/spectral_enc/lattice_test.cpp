// Lattice vector quantizer: tables, D8 primitives, the overload handling and
// the one-bit codebook quantizer.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>

#include "spectral_enc/lattice.h"
#include "spectral_enc/onebit_quantizer.h"
#include "spectral_enc/lattice_tables.h"

namespace {

using Vec = std::array<Word16, 8>;

Vec codebook_row(int index) {
  Vec v{};
  for (int i = 0; i < 8; ++i) v[i] = onebit_codebook[index * 8 + i];
  return v;
}

int sum_of(const Vec &v) {
  int s = 0;
  for (Word16 c : v) s += c;
  return s;
}

// Lexicographic rank of the pair (i, j), i < j, among the 28 pairs of 8 positions.
int pair_rank(int i, int j) {
  int r = 0;
  for (int a = 0; a < i; ++a) r += 7 - a;
  return r + (j - i - 1);
}

TEST(LatticeTables, ShiftMaskHalfModulusFollowTheirFormulas) {
  for (int r = 2; r <= 9; ++r) {
    EXPECT_EQ(lattice_shift_table[r], 13 - r) << r;
    EXPECT_EQ(lattice_mask_table[r], (1 << (13 - r)) - 1) << r;
    EXPECT_EQ(lattice_half_table[r], 1 << (12 - r)) << r;
    EXPECT_EQ(lattice_modulus_table[r], 1 << r) << r;
  }
  EXPECT_EQ(lattice_modulus_table[1], 1);
}

TEST(OnebitCodebook, RowsFollowTheLayout) {
  for (int r = 0; r < 8; ++r) {
    Vec neg{}, pos{};
    neg[r] = -2;
    pos[r] = 2;
    EXPECT_EQ(codebook_row(r), neg) << r;
    EXPECT_EQ(codebook_row(8 + r), pos) << r;
  }
  // Pairs of +-2 in four sign blocks, pairs in lexicographic order.
  const int signs[4][2] = {{-2, -2}, {-2, 2}, {2, -2}, {2, 2}};
  for (int block = 0; block < 4; ++block) {
    for (int i = 0; i < 8; ++i) {
      for (int j = i + 1; j < 8; ++j) {
        Vec v{};
        v[i] = static_cast<Word16>(signs[block][0]);
        v[j] = static_cast<Word16>(signs[block][1]);
        EXPECT_EQ(codebook_row(16 + 28 * block + pair_rank(i, j)), v) << block << " " << i << j;
      }
    }
  }
  for (int i = 0; i < 8; ++i) {
    for (int j = i + 1; j < 8; ++j) {
      Vec minus_pair, plus_pair;
      minus_pair.fill(1);
      plus_pair.fill(-1);
      minus_pair[i] = minus_pair[j] = -1;
      plus_pair[i] = plus_pair[j] = 1;
      EXPECT_EQ(codebook_row(128 + pair_rank(i, j)), minus_pair);
      EXPECT_EQ(codebook_row(226 + pair_rank(i, j)), plus_pair);
    }
  }
  // Rows 156..225: -1 at the four listed positions, +1 elsewhere.
  const std::string quads =
      "0123 0124 0125 0126 0127 0134 0135 0136 0137 0145 "
      "0146 0147 0167 0157 0156 0234 0235 0236 0237 0245 "
      "0246 0247 0267 0257 0256 0567 0467 0457 0456 0345 "
      "0346 0347 0367 0357 0356 4567 3567 3467 3457 3456 "
      "2567 2467 2457 2456 2367 2357 2356 2345 2346 2347 "
      "1567 1467 1457 1456 1367 1357 1356 1345 1346 1347 "
      "1234 1235 1236 1237 1267 1257 1256 1245 1246 1247";
  for (int r = 0; r < 70; ++r) {
    Vec v;
    v.fill(1);
    for (int n = 0; n < 4; ++n) v[quads[5 * r + n] - '0'] = -1;
    EXPECT_EQ(codebook_row(156 + r), v) << 156 + r;
  }
  Vec all_minus, all_plus;
  all_minus.fill(-1);
  all_plus.fill(1);
  EXPECT_EQ(codebook_row(254), all_minus);
  EXPECT_EQ(codebook_row(255), all_plus);
}

TEST(OnebitCodebook, RowsAreDistinctPermutationsOfTheLeaders) {
  std::set<Vec> seen;
  int per_leader[10] = {};
  for (int r = 0; r < 256; ++r) {
    Vec v = codebook_row(r);
    EXPECT_TRUE(seen.insert(v).second) << "duplicate row " << r;
    Vec sorted = v;
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    int leader = -1;
    for (int l = 0; l < 10; ++l) {
      Vec lv;
      for (int i = 0; i < 8; ++i) lv[i] = onebit_leader_table[l][i];
      if (lv == sorted) leader = l;
    }
    ASSERT_GE(leader, 0) << "row " << r << " is no permutation of a leader";
    ++per_leader[leader];
    EXPECT_GE(r, onebit_leader_base_table[leader]) << r;
  }
  const int expected[10] = {8, 8, 28, 56, 28, 28, 70, 28, 1, 1};
  for (int l = 0; l < 10; ++l) EXPECT_EQ(per_leader[l], expected[l]) << l;
}

TEST(OnebitCodebook, RankTableSamples) {
  for (int p = 0; p < 8; ++p) EXPECT_EQ(onebit_rank_table[1 << p], p);
  EXPECT_EQ(onebit_rank_table[0x03], 0);   // (0,1)
  EXPECT_EQ(onebit_rank_table[0xC0], 27);  // (6,7)
  EXPECT_EQ(onebit_rank_table[0x0F], 28);  // {0,1,2,3}
  EXPECT_EQ(onebit_rank_table[0xF0], 28 + 35);
  EXPECT_EQ(onebit_rank_table[0xFC], 98 + 0);   // missing 0 and 1
  EXPECT_EQ(onebit_rank_table[0x3F], 98 + 27);  // missing 6 and 7
  EXPECT_EQ(onebit_rank_table[0xFF], 126);
  EXPECT_EQ(onebit_rank_table[0x00], 127);
}

// Runs the one-bit quantizer on a copy of v.
Word16 onebit_index(const Vec &v) {
  Vec y = v;
  Word16 out[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  quantize_onebit(y.data(), out);
  return out[0];
}

TEST(OnebitQuantizer, EveryCodevectorQuantizesToItsOwnRow) {
  // The arithmetic index (base, position masks, ranks) must agree with the
  // codebook rows for all 256 vectors, including both orders of leader 3.
  for (int r = 0; r < 256; ++r) {
    Vec y = codebook_row(r);
    for (Word16 &c : y) c = static_cast<Word16>(c * 256);
    EXPECT_EQ(onebit_index(y), r) << r;
  }
}

TEST(OnebitQuantizer, WorkedExamples) {
  // An all-zero normalised vector scales to -5 in every component: index 7.
  Vec minus5;
  minus5.fill(-5);
  EXPECT_EQ(onebit_index(minus5), 7);
  // Ties in the input are resolved by the swapping selection sort.
  EXPECT_EQ(onebit_index({300, 0, 0, 300, 300, 0, 0, 0}), 102);
  EXPECT_EQ(onebit_index({0, 0, 0, 300, 300, 0, 300, 0}), 118);
}

TEST(OnebitQuantizer, SortsTheInputInPlace) {
  Vec y = {5, -7, 300, 12, -300, 0, 44, 1};
  Word16 out[8];
  quantize_onebit(y.data(), out);
  EXPECT_TRUE(std::is_sorted(y.begin(), y.end(), std::greater<>()));
  // Nearest is leader 3 with +2 at position 2 and -2 at position 4; the +2
  // comes first, so the row is in the (+2, -2) block: 72 + rank of (2, 4).
  EXPECT_EQ(out[0], 72 + pair_rank(2, 4));
}

TEST(OnebitQuantizer, EqualDistanceKeepsTheLowerLeader) {
  // (256,...,256) is at distance 0 from leader 9 only; halfway between
  // leader 9 and leader 5 (-1 at the last two sorted places) the lower
  // leader, 5, must win.
  Vec y;
  y.fill(256);
  EXPECT_EQ(onebit_index(y), 255);
  y[6] = 0;
  y[7] = 0;  // distance to leader 5: 2*256^2, to leader 9: 2*256^2
  const Word16 idx = onebit_index(y);
  EXPECT_EQ(idx, 128 + pair_rank(6, 7));
}

Vec nearest(const Vec &y, Word16 r) {
  Vec z;
  d8_nearest_point(y.data(), z.data(), r);
  return z;
}

TEST(D8NearestPoint, RoundingExamples) {
  // R = 2: one lattice unit is 2048; halves round toward zero.
  EXPECT_EQ(nearest({-1024, 0, 0, 0, 0, 0, 0, 0}, 2), (Vec{}));
  // -1024 -> 0 and -2048 -> -1 give an odd sum; the -1024 has the larger
  // error (negative), so it moves down to -1.
  EXPECT_EQ(nearest({-1024, -2048, 0, 0, 0, 0, 0, 0}, 2), (Vec{-1, -1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(nearest({1024, 0, 0, 0, 0, 0, 0, 0}, 2), (Vec{}));
  // Two halves keep the sum even, so the rounding itself shows.
  EXPECT_EQ(nearest({1024, 1024, 0, 0, 0, 0, 0, 0}, 2), (Vec{}));
  EXPECT_EQ(nearest({-1024, -1024, 0, 0, 0, 0, 0, 0}, 2), (Vec{}));
  EXPECT_EQ(nearest({-3072, 3072, 0, 0, 0, 0, 0, 0}, 2), (Vec{-1, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(nearest({-32, 32, 0, 0, 0, 0, 0, 0}, 5), (Vec{0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(nearest({1025, 2048, 0, 0, 0, 0, 0, 0}, 2), (Vec{1, 1, 0, 0, 0, 0, 0, 0}));
  // (1025, 0, ...) rounds to (1, 0, ...), whose odd sum sends the
  // component with the largest error back to the origin.
  EXPECT_EQ(nearest({1025, 0, 0, 0, 0, 0, 0, 0}, 2), (Vec{}));
}

TEST(D8NearestPoint, OddSumFixesTheFirstLargestError) {
  // Errors 0.25 at positions 1 and 5 (R = 2, unit 2048): the first one moves.
  EXPECT_EQ(nearest({0, 512, 0, 0, 0, 512, 0, 2048}, 2), (Vec{0, 1, 0, 0, 0, 0, 0, 1}));
  // A negative error moves the component down.
  EXPECT_EQ(nearest({0, 0, -2560, 0, 0, 0, 0, 0}, 2), (Vec{0, 0, -2, 0, 0, 0, 0, 0}));
}

TEST(D8NearestPoint, IsTheTrueNearestPointOfD8) {
  // Brute force over the integer vectors around y / 2^s with an even sum.
  std::mt19937 rng(11);
  for (Word16 r = 2; r <= 9; ++r) {
    const int unit = 1 << (13 - r);
    std::uniform_int_distribution<int> dist(-6 * unit, 6 * unit);
    for (int n = 0; n < 300; ++n) {
      Vec y;
      for (Word16 &c : y) c = static_cast<Word16>(dist(rng));
      const Vec z = nearest(y, r);
      EXPECT_EQ(sum_of(z) % 2, 0);
      auto dist2 = [&](const Vec &p) {
        long long d = 0;
        for (int i = 0; i < 8; ++i) {
          const long long e = static_cast<long long>(y[i]) - static_cast<long long>(p[i]) * unit;
          d += e * e;
        }
        return d;
      };
      const long long dz = dist2(z);
      // Any single or double unit step away is no closer.
      for (int i = 0; i < 8; ++i) {
        for (int j = i + 1; j < 8; ++j) {
          for (int si : {-1, 1}) {
            for (int sj : {-1, 1}) {
              Vec p = z;
              p[i] = static_cast<Word16>(p[i] + si);
              p[j] = static_cast<Word16>(p[j] + sj);
              EXPECT_LE(dz, dist2(p)) << "R=" << r;
            }
          }
        }
      }
    }
  }
}

TEST(D8Index, RoundTripsThroughTheCodebookPoint) {
  std::mt19937 rng(3);
  for (Word16 r = 2; r <= 9; ++r) {
    const int mod = 1 << r;
    std::uniform_int_distribution<int> dist(0, mod - 1);
    for (int n = 0; n < 2000; ++n) {
      Vec k;
      for (Word16 &c : k) c = static_cast<Word16>(dist(rng));
      Vec x, k2;
      d8_index_to_point(k.data(), x.data(), r);
      // x is a D8 point congruent to v = (2k0 + k1 + ... + k7, k1, ..., k7)
      // modulo 2^R D8, and it maps back to the same index.
      EXPECT_EQ(sum_of(x) % 2, 0);
      int t = 2 * k[0];
      for (int i = 1; i < 8; ++i) t += k[i];
      Vec diff;
      for (int i = 0; i < 8; ++i) {
        const int v = i == 0 ? t : k[i];
        ASSERT_EQ((v - x[i]) % mod, 0);
        diff[i] = static_cast<Word16>((v - x[i]) / mod);
      }
      EXPECT_EQ(sum_of(diff) % 2, 0);
      d8_point_to_index(x.data(), k2.data(), static_cast<Word16>(mod));
      EXPECT_EQ(k2, k) << "R=" << r;
      // The codebook point is its own nearest point when scaled back up.
      Vec scaled;
      for (int i = 0; i < 8; ++i) scaled[i] = static_cast<Word16>(x[i] << (13 - r));
      EXPECT_EQ(nearest(scaled, r), x);
    }
  }
}

TEST(D8Index, PointToIndexUsesTheGeneratorBasis) {
  // z = 2e0 -> k0 = 1; z = e0 + e3 -> k0 = 0, k3 = 1; z = -e0 - e1 -> k0 = 0, k1 = -1 mod 4.
  Vec k;
  const Vec a = {2, 0, 0, 0, 0, 0, 0, 0};
  d8_point_to_index(a.data(), k.data(), 4);
  EXPECT_EQ(k, (Vec{1, 0, 0, 0, 0, 0, 0, 0}));
  const Vec b = {1, 0, 0, 1, 0, 0, 0, 0};
  d8_point_to_index(b.data(), k.data(), 4);
  EXPECT_EQ(k, (Vec{0, 0, 0, 1, 0, 0, 0, 0}));
  const Vec c = {-1, -1, 0, 0, 0, 0, 0, 0};
  d8_point_to_index(c.data(), k.data(), 4);
  EXPECT_EQ(k, (Vec{0, 3, 0, 0, 0, 0, 0, 0}));
}

Vec quantize(Vec y, Word16 r) {
  Vec k;
  k.fill(-1);
  lattice_quantize_vector(y.data(), k.data(), lattice_modulus_table[r], r);
  return k;
}

TEST(LatticeQuantizer, ZeroNormalisedVectorIsTheOrigin) {
  Vec y;
  y.fill(-22);  // (0 - 4) * 16/3
  for (Word16 r = 2; r <= 9; ++r) {
    const Vec k = quantize(y, r);
    Vec x;
    d8_index_to_point(k.data(), x.data(), r);
    if (r == 2) {
      EXPECT_EQ(k, Vec{});
    }
    // At finer resolutions -22 may round to a non-zero point, but the
    // decoded point is the nearest point of the input.
    EXPECT_EQ(x, nearest(y, r)) << r;
  }
}

TEST(LatticeQuantizer, OverloadedVectorsAreScaledIntoTheCodebook) {
  // A full-scale vector lies far outside the R = 2 codebook; the result must
  // still be a codebook point, and it must not be the origin.
  Vec y;
  y.fill(32767);
  Vec halved = y;
  Vec k;
  lattice_quantize_vector(halved.data(), k.data(), 4, 2);
  for (Word16 c : k) {
    EXPECT_GE(c, 0);
    EXPECT_LT(c, 4);
  }
  Vec x;
  d8_index_to_point(k.data(), x.data(), 2);
  EXPECT_NE(x, Vec{});
  // y was halved in place until its nearest point fitted.
  EXPECT_LT(halved[0], y[0]);
  Vec z = nearest(halved, 2);
  Vec kz;
  d8_point_to_index(z.data(), kz.data(), 4);
  Vec xz;
  d8_index_to_point(kz.data(), xz.data(), 2);
  EXPECT_EQ(xz, z) << "the halved vector fits the codebook";
}

TEST(LatticeQuantizer, GrowthStopsAtTheLastFittingScale) {
  // For a vector that needed halving, check the chosen index against a
  // direct search over the growth steps.
  std::mt19937 rng(9);
  std::uniform_int_distribution<int> dist(-32768, 32767);
  for (Word16 r = 2; r <= 9; ++r) {
    for (int n = 0; n < 100; ++n) {
      Vec y;
      for (Word16 &c : y) c = static_cast<Word16>(dist(rng));
      Vec work = y;
      Vec k;
      lattice_quantize_vector(work.data(), k.data(), lattice_modulus_table[r], r);
      for (Word16 c : k) {
        ASSERT_GE(c, 0);
        ASSERT_LT(c, lattice_modulus_table[r]);
      }
      auto fits = [&](const Vec &v, Vec &kk) {
        Vec z, x;
        d8_nearest_point(v.data(), z.data(), r);
        d8_point_to_index(z.data(), kk.data(), lattice_modulus_table[r]);
        d8_index_to_point(kk.data(), x.data(), r);
        return x == z;
      };
      Vec k0;
      if (fits(y, k0)) {
        EXPECT_EQ(k, k0);
        continue;
      }
      // work holds the halved vector; the result is the last growth step
      // m = 0..15 of an unbroken run of fitting steps.
      Vec expect;
      ASSERT_TRUE(fits(work, expect));
      for (int m = 1; m <= 15; ++m) {
        Vec w;
        for (int i = 0; i < 8; ++i) {
          int t = (work[i] * m) >> 4;
          if (t < 0) t += 1;
          w[i] = static_cast<Word16>(work[i] + t);
        }
        Vec km;
        if (!fits(w, km)) break;
        expect = km;
      }
      EXPECT_EQ(k, expect) << "R=" << r;
    }
  }
}

TEST(LatticePrimitives, InvalidResolutionWritesZeros) {
  Vec y = {1, 2, 3, 4, 5, 6, 7, 8};
  for (Word16 r : {Word16{-1}, Word16{0}, Word16{1}, Word16{10}, Word16{32767}}) {
    Vec out;
    out.fill(99);
    d8_nearest_point(y.data(), out.data(), r);
    EXPECT_EQ(out, Vec{});
    out.fill(99);
    d8_index_to_point(y.data(), out.data(), r);
    EXPECT_EQ(out, Vec{});
  }
}

}  // namespace
