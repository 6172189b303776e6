// The one-bit quantization with the sort on one vector register.
//
// The eight values live in the low half of a 256-bit register as keys
// y ^ 0x7FFF (= 32767 - y taken unsigned, so the largest value has the
// smallest key) and their input positions in the high half. Each step of
// the selection sort is one phminposuw, which returns the smallest key of
// the unsorted lanes and the lowest lane holding it: the first largest
// value, as the sort's strict comparison picks. One pshufb with a control
// from a table then swaps that lane with the step's lane in both halves.
#include "spectral_enc/onebit_quantizer.h"

#if defined(__x86_64__)

#include "spectral_enc/lattice_tables.h"
#include "transform/simd_ops_avx2.h"

namespace {

struct alignas(16) ByteControl {
  unsigned char b[16];
};

// swap_control[i][j]: the pshufb control that swaps 16-bit lanes i and j
// (j > i); for j <= i it keeps every lane (see sort_step).
struct SwapControls {
  ByteControl c[kLatticeDim][kLatticeDim];
};

constexpr SwapControls make_swap_controls() {
  SwapControls t{};
  for (int i = 0; i < kLatticeDim; i++) {
    for (int j = 0; j < kLatticeDim; j++) {
      for (int lane = 0; lane < kLatticeDim; lane++) {
        int from = lane;
        if (j > i && lane == i) from = j;
        if (j > i && lane == j) from = i;
        t.c[i][j].b[2 * lane] = static_cast<unsigned char>(2 * from);
        t.c[i][j].b[2 * lane + 1] = static_cast<unsigned char>(2 * from + 1);
      }
    }
  }
  return t;
}

constexpr SwapControls swap_controls = make_swap_controls();

// Lanes below i set to the largest key, so that they are not picked again.
struct SortedLaneMasks {
  alignas(32) Word16 m[kLatticeDim][16];
};

constexpr SortedLaneMasks make_sorted_lane_masks() {
  SortedLaneMasks t{};
  for (int i = 0; i < kLatticeDim; i++) {
    for (int lane = 0; lane < i; lane++) t.m[i][lane] = -1;
  }
  return t;
}

constexpr SortedLaneMasks sorted_lane_masks = make_sorted_lane_masks();

// Per leader, 0xFF at each sorted place of onebit_position_mask_table.
struct PlaceMasks {
  alignas(16) unsigned char m[kOnebitLeaders][16];
};

constexpr PlaceMasks make_place_masks() {
  PlaceMasks t{};
  for (int l = 0; l < kOnebitLeaders; l++) {
    for (int i = 0; i < kLatticeDim; i++) t.m[l][i] = onebit_position_mask_table[l][i] != 0 ? 0xFF : 0;
  }
  return t;
}

constexpr PlaceMasks place_masks = make_place_masks();

// Leader pairs (2k, 2k + 1) as 16-bit lanes, one leader per 128-bit half,
// for pmaddwd against the sorted vector in both halves.
struct LeaderPairs {
  alignas(32) Word16 v[kOnebitLeaders / 2][2 * kLatticeDim];
};

constexpr LeaderPairs make_leader_pairs() {
  LeaderPairs t{};
  for (int k = 0; k < kOnebitLeaders / 2; k++) {
    for (int i = 0; i < kLatticeDim; i++) {
      t.v[k][i] = onebit_leader_table[2 * k][i];
      t.v[k][kLatticeDim + i] = onebit_leader_table[2 * k + 1][i];
    }
  }
  return t;
}

constexpr LeaderPairs leader_pairs = make_leader_pairs();

// 16 (128 |c_l|^2) + l in the lane order of the reduced dot products:
// (0, 2, 4, 6 | 1, 3, 5, 7) and (8, 8, 8, 8 | 9, 9, 9, 9).
struct LeaderKeys {
  alignas(32) Word32 low[8];
  alignas(32) Word32 high[8];
};

constexpr Word32 leader_key(int l) {
  Word32 norm = 0;
  for (int i = 0; i < kLatticeDim; i++) norm += onebit_leader_table[l][i] * onebit_leader_table[l][i];
  return 16 * 128 * norm + l;
}

constexpr LeaderKeys make_leader_keys() {
  LeaderKeys t{};
  const int order[8] = {0, 2, 4, 6, 1, 3, 5, 7};
  for (int k = 0; k < 8; k++) t.low[k] = leader_key(order[k]);
  for (int k = 0; k < 8; k++) t.high[k] = leader_key(k < 4 ? 8 : 9);
  return t;
}

constexpr LeaderKeys leader_keys = make_leader_keys();

// The sums search on one register: with e_l = 128 |c_l|^2 - c_l . y (see
// nearest_onebit_leader_sums) the key 16 e_l + l orders like (e_l, l), so
// the smallest key names the first leader with the smallest e_l. The dot
// products come from pmaddwd and three horizontal adds; within the bound
// |e_l| <= 1024 + 16 * 15000, so 16 e_l + l fits 32 bits easily.
G719_AVX2 static inline int leader_within_bound(__m128i sorted) {
  const __m256i y = _mm256_broadcastsi128_si256(sorted);
  const __m256i *pairs = reinterpret_cast<const __m256i *>(leader_pairs.v);
  const __m256i m0 = _mm256_madd_epi16(y, _mm256_load_si256(pairs + 0));
  const __m256i m1 = _mm256_madd_epi16(y, _mm256_load_si256(pairs + 1));
  const __m256i m2 = _mm256_madd_epi16(y, _mm256_load_si256(pairs + 2));
  const __m256i m3 = _mm256_madd_epi16(y, _mm256_load_si256(pairs + 3));
  const __m256i m4 = _mm256_madd_epi16(y, _mm256_load_si256(pairs + 4));
  const __m256i low = _mm256_hadd_epi32(_mm256_hadd_epi32(m0, m1), _mm256_hadd_epi32(m2, m3));
  const __m256i h4 = _mm256_hadd_epi32(m4, m4);
  const __m256i high = _mm256_hadd_epi32(h4, h4);
  const __m256i key_low = _mm256_sub_epi32(_mm256_load_si256(reinterpret_cast<const __m256i *>(leader_keys.low)),
                                           _mm256_slli_epi32(low, 4));
  const __m256i key_high = _mm256_sub_epi32(
      _mm256_load_si256(reinterpret_cast<const __m256i *>(leader_keys.high)), _mm256_slli_epi32(high, 4));
  const __m256i k = _mm256_min_epi32(key_low, key_high);
  __m128i h = _mm_min_epi32(_mm256_castsi256_si128(k), _mm256_extracti128_si256(k, 1));
  h = _mm_min_epi32(h, _mm_shuffle_epi32(h, 0x4E));
  h = _mm_min_epi32(h, _mm_shuffle_epi32(h, 0xB1));
  return _mm_cvtsi128_si32(h) & 15;
}

// Step i of the selection sort. If every unsorted key is 0xFFFF (all the
// remaining values are -32768), phminposuw may return a sorted lane below
// i; the sort then keeps lane i in place, as the identity control for
// j <= i does.
template <int i>
G719_AVX2 static inline __m256i sort_step(__m256i v) {
  const __m128i keys = _mm_or_si128(_mm256_castsi256_si128(v),
                                    _mm_load_si128(reinterpret_cast<const __m128i *>(sorted_lane_masks.m[i])));
  const int j = _mm_extract_epi16(_mm_minpos_epu16(keys), 1);
  const __m256i control =
      _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(swap_controls.c[i][j].b)));
  return _mm256_shuffle_epi8(v, control);
}

// Sorts the eight values of values into y and writes the index to out[0].
G719_AVX2 static inline void quantize_vector(__m128i values, Word16 *y, Word16 *out) {
  const __m128i flip = _mm_set1_epi16(0x7FFF);
  const __m128i keys = _mm_xor_si128(values, flip);
  __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(keys), _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7), 1);
  v = sort_step<0>(v);
  v = sort_step<1>(v);
  v = sort_step<2>(v);
  v = sort_step<3>(v);
  v = sort_step<4>(v);
  v = sort_step<5>(v);
  v = sort_step<6>(v);
  const __m128i sorted = _mm_xor_si128(_mm256_castsi256_si128(v), flip);
  _mm_storeu_si128(reinterpret_cast<__m128i *>(y), sorted);

  const int leader = y[0] <= kOnebitPlainBound && y[kLatticeDim - 1] >= -kOnebitPlainBound
                         ? leader_within_bound(sorted)
                         : nearest_onebit_leader_saturating(y);
  const __m128i perm = _mm256_extracti128_si256(v, 1);
  int index = onebit_leader_base_table[leader];
  if (leader == 3 && _mm_extract_epi16(perm, 0) < _mm_extract_epi16(perm, kLatticeDim - 1)) index += 28;
  // The mask: 1 << perm[i] per sorted place (a byte lookup), kept at the
  // leader's places and summed (distinct bits, so the sum is their OR).
  const __m128i bits = _mm_shuffle_epi8(_mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0),
                                        _mm_packus_epi16(perm, _mm_set1_epi16(8)));
  const __m128i kept =
      _mm_and_si128(bits, _mm_load_si128(reinterpret_cast<const __m128i *>(place_masks.m[leader])));
  const int mask = _mm_cvtsi128_si32(_mm_sad_epu8(kept, _mm_setzero_si128()));
  out[0] = static_cast<Word16>(index + onebit_rank_table[mask]);
}

// The scaling c = sub(v, 4), y = add(c, mult(c, 3277)) on eight lanes:
// mult(c, 3277) = (c * 3277) >> 15 lies within +-3277, never saturates, and
// equals (c * 6554) >> 16, the high half of that product; sub and add
// saturate like subs/adds. Their Overflow needs no test: a saturating sub
// leaves c = -32768, whose add saturates too, and a saturating add leaves
// a component at 32767 or -32768, beyond the plain bound, so the saturating
// leader search runs and its sub against leader 8 (all -256) or leader 9
// (all +256) saturates and sets the flag anyway.
G719_AVX2 static inline void scale_and_quantize(const Word16 *v, Word16 *out) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(v));
  const __m128i c = _mm_subs_epi16(x, _mm_set1_epi16(4));
  const __m128i m = _mm_mulhi_epi16(c, _mm_set1_epi16(6554));
  const __m128i y = _mm_adds_epi16(c, m);
  Word16 sorted[kLatticeDim];
  quantize_vector(y, sorted, out);
}

G719_AVX2 void scaled_onebit_vectors_kernel(const Word16 *v, Word16 *out, Word16 count) {
  for (Word16 n = 0; n < count; n++) scale_and_quantize(v + kLatticeDim * n, out + kLatticeDim * n);
}

}  // namespace

void quantize_onebit_vectors_avx2(const Word16 *v, Word16 *out, Word16 count) {
  scaled_onebit_vectors_kernel(v, out, count);
}

#else

#include <cstdlib>

void quantize_onebit_vectors_avx2(const Word16 *, Word16 *, Word16) { std::abort(); }

#endif
