#include "spectral_enc/bit_allocation.h"

#include <algorithm>
#include <cstdint>

#include "frame/kernel_sets.h"
#include "spectral_enc/priority_search.h"

namespace {

constexpr int kQuartets = kNumBands / 4;

// Replaces every quartet of bands 4q..4q+3 by the mean of its four values.
void average_quartets(Word16 *v) {
  for (int q = 0; q < kQuartets; ++q) {
    Word16 sum = 0;
    for (int i = 0; i < 4; ++i) sum = add(sum, v[4 * q + i]);
    const Word16 mean = shr(sum, 2);
    for (int i = 0; i < 4; ++i) v[4 * q + i] = mean;
  }
}

Word16 sum_range(const Word16 *v, int first, int last) {
  Word16 s = 0;
  for (int i = first; i <= last; ++i) s = add(s, v[i]);
  return s;
}

Word16 max16(Word16 a, Word16 b) { return a > b ? a : b; }

}  // namespace

void compute_allocation_priorities_saturating(const Word16 *levels, Word16 *priority_out, Word16 transient) {
  Word16 a[kNumBands];
  for (int b = 0; b < kNumBands; ++b) a[b] = levels[b];
  if (transient != 0) average_quartets(a);

  Word16 g[kNumAllocationGroups];
  for (int j = 0; j < 10; ++j) g[j] = add(a[j], 3);
  g[10] = add(shr(add(a[10], a[11]), 1), 4);
  g[11] = add(shr(add(a[12], a[13]), 1), 4);
  g[12] = add(shr(add(a[14], a[15]), 1), 4);
  g[13] = add(shr(add(a[16], a[17]), 1), 5);
  g[14] = add(shr(add(a[18], a[19]), 1), 5);
  g[15] = add(mult(sum_range(a, 20, 23), 8192), 6);
  g[16] = add(mult(sum_range(a, 24, 26), 10923), 6);
  g[17] = add(mult(sum_range(a, 27, 29), 10923), 6);
  g[18] = add(mult(sum_range(a, 30, 34), 6553), 7);
  g[19] = add(mult(sum_range(a, 35, 43), 3641), 8);

  for (int j = 0; j < kNumAllocationGroups; ++j) g[j] = sub(g[j], 10);

  // Spread masking: upward by 4 per group, downward by 8.
  for (int j = 1; j < kNumAllocationGroups; ++j) g[j] = max16(g[j], sub(g[j - 1], 4));
  for (int j = kNumAllocationGroups - 2; j >= 0; --j) g[j] = max16(g[j], sub(g[j + 1], 8));

  Word16 largest = MIN_16;
  Word16 smallest = MAX_16;
  for (int j = 0; j < kNumAllocationGroups; ++j) {
    g[j] = max16(g[j], allocation_floor_table[j]);
    g[j] = sub(allocation_offset_table[j], g[j]);
    if (g[j] > largest) largest = g[j];
    if (g[j] < smallest) smallest = g[j];
  }
  // Scale the weights into 0..3.
  const Word16 s = sub(norm_s(sub(largest, smallest)), 13);
  for (int j = 0; j < kNumAllocationGroups; ++j) g[j] = shl(sub(g[j], smallest), s);

  for (int b = 0; b < kNumBands; ++b) a[b] = g[allocation_group_of_band[b]];
  if (transient != 0) average_quartets(a);

  for (int b = 0; b < kNumBands; ++b) priority_out[b] = add(a[b], levels[b]);
}

namespace {

// compute_allocation_priorities in plain integer arithmetic, for levels
// within +-kAllocationPlainBound (B), where none of the saturating form's
// operators saturates, so the results and the Overflow flag are the same:
// quartet sums stay within 4B and their means within B; a group value is at
// most the sum of nine levels (9B < 32767) scaled down, plus 8, and the
// steps after it (- 10, spreading by - 4 / - 8, floor, offset - value) move
// it by at most 38, so largest - smallest <= 2B + 76 < 32767. mult(x, c) is
// (x * c) >> 15, which cannot saturate for c < 32768. The weight shift s =
// norm_s(largest - smallest) - 13 leaves every g - smallest in 0..3: a left
// shift when s >= 0 (nothing saturates), else a right shift by at most 13.
void compute_priorities_plain(const Word16 *levels, Word16 *priority_out, Word16 transient) {
  int a[kNumBands];
  for (int b = 0; b < kNumBands; ++b) a[b] = levels[b];
  const auto average_quartets_plain = [](int *v) {
    for (int q = 0; q < kQuartets; ++q) {
      const int mean = (v[4 * q] + v[4 * q + 1] + v[4 * q + 2] + v[4 * q + 3]) >> 2;
      for (int i = 0; i < 4; ++i) v[4 * q + i] = mean;
    }
  };
  if (transient != 0) average_quartets_plain(a);

  int g[kNumAllocationGroups];
  for (int j = 0; j < 10; ++j) g[j] = a[j] + 3;
  g[10] = ((a[10] + a[11]) >> 1) + 4;
  g[11] = ((a[12] + a[13]) >> 1) + 4;
  g[12] = ((a[14] + a[15]) >> 1) + 4;
  g[13] = ((a[16] + a[17]) >> 1) + 5;
  g[14] = ((a[18] + a[19]) >> 1) + 5;
  g[15] = (((a[20] + a[21] + a[22] + a[23]) * 8192) >> 15) + 6;
  g[16] = (((a[24] + a[25] + a[26]) * 10923) >> 15) + 6;
  g[17] = (((a[27] + a[28] + a[29]) * 10923) >> 15) + 6;
  g[18] = (((a[30] + a[31] + a[32] + a[33] + a[34]) * 6553) >> 15) + 7;
  int sum = 0;
  for (int b = 35; b <= 43; ++b) sum += a[b];
  g[19] = ((sum * 3641) >> 15) + 8;

  for (int j = 0; j < kNumAllocationGroups; ++j) g[j] -= 10;
  for (int j = 1; j < kNumAllocationGroups; ++j) g[j] = std::max(g[j], g[j - 1] - 4);
  for (int j = kNumAllocationGroups - 2; j >= 0; --j) g[j] = std::max(g[j], g[j + 1] - 8);

  int largest = MIN_16;
  int smallest = MAX_16;
  for (int j = 0; j < kNumAllocationGroups; ++j) {
    g[j] = allocation_offset_table[j] - std::max<int>(g[j], allocation_floor_table[j]);
    largest = std::max(largest, g[j]);
    smallest = std::min(smallest, g[j]);
  }
  const int s = norm_s(static_cast<Word16>(largest - smallest)) - 13;
  for (int j = 0; j < kNumAllocationGroups; ++j) g[j] = s >= 0 ? (g[j] - smallest) << s : (g[j] - smallest) >> -s;

  for (int b = 0; b < kNumBands; ++b) a[b] = g[allocation_group_of_band[b]];
  if (transient != 0) average_quartets_plain(a);

  for (int b = 0; b < kNumBands; ++b) priority_out[b] = static_cast<Word16>(a[b] + levels[b]);
}

}  // namespace

void compute_allocation_priorities(const Word16 *levels, Word16 *priority_out, Word16 transient) {
  bool plain = true;
  for (int b = 0; b < kNumBands; ++b) {
    if (levels[b] > kAllocationPlainBound || levels[b] < -kAllocationPlainBound) plain = false;
  }
  if (plain) {
    compute_priorities_plain(levels, priority_out, transient);
  } else {
    compute_allocation_priorities_saturating(levels, priority_out, transient);
  }
}

template <class K>
void sort_bands_by_priority(Word16 *priority, Word16 nb, Word16 *band_order) {
  if (nb > kNumBands) nb = kNumBands;
  if (nb < 2) return;
  Word16 work[kPriorityWorkSize];
  for (int i = 0; i < nb; ++i) work[i] = priority[i];
  for (int i = nb; i < kPriorityWorkSize; ++i) work[i] = MIN_16;
  // Step i picks the first maximum of work[i..nb-1] (the operator test
  // sub(a, b) < 0 is a < b) and swaps it to position i. A record of the
  // remaining range is kept between steps: peak = its maximum and at_peak =
  // the positions holding it, the lowest being the pick. After the swap the
  // record only loses that position: position i leaves the range, and the
  // entry swapped to the pick's place was below peak (it lay before the first
  // maximum) unless the pick was position i itself. Every other entry of the
  // range stays in place, so an empty record is the only reason to search.
  Word16 peak = 0;
  std::uint64_t at_peak = 0;
  for (int i = 0; i < nb - 1; ++i) {
    if (at_peak == 0) {
      const WindowMax w = K::window_max(work, i, nb - 1);
      peak = w.value;
      at_peak = w.positions;
    }
    const int best = __builtin_ctzll(at_peak);
    at_peak &= at_peak - 1;
    work[best] = work[i];
    work[i] = peak;
    const Word16 o = band_order[i];
    band_order[i] = band_order[best];
    band_order[best] = o;
  }
  for (int i = 0; i < nb; ++i) priority[i] = work[i];
}

namespace {

// The leftover steps of allocate_bits: gives one more bit per coefficient to
// bands of [first, last] that hold exactly `from` bits, in priority order, at
// `cost` bits each, while at least `cost` bits remain.
void give_leftover_bits(const Word16 *band_order, Word16 nb, Word16 first, Word16 last, Word16 from, Word16 cost,
                        Word16 *bits, Word16 *allocation) {
  if (sub(*bits, cost) < 0) return;
  for (Word16 i = 0; i < nb; i = add(i, 1)) {
    const Word16 band = band_order[i];
    if (band < first || band > last || allocation[band] != from) continue;
    allocation[band] = add(from, 1);
    *bits = sub(*bits, cost);
    if (sub(*bits, cost) < 0) return;
  }
}

}  // namespace

template <class K>
void allocate_bits(Word16 *priority, const Word16 *band_order, Word16 budget, Word16 nb, Word16 max_bits,
                   Word16 *allocation) {
  if (nb > kNumBands) nb = kNumBands;
  if (nb < 1) return;
  Word16 bits = budget;
  const Word16 limit = shr(budget, 3);

  if (limit > 0) {
    // The pass works on a padded copy, which the vector search reads whole.
    Word16 work[kPriorityWorkSize];
    for (int i = 0; i < nb; ++i) work[i] = priority[i];
    for (int i = nb; i < kPriorityWorkSize; ++i) work[i] = MIN_16;

    // Plain arithmetic where the operators cannot saturate, so results and
    // Overflow stay those of the operators: bits starts at budget >= 8
    // (limit > 0), is lowered by a width of 8..32 only while it is at least
    // that width, and the pass stops once it is below 8, so bits stays in
    // 0..32767. An allocation entry is raised only while below max_bits, so
    // + 1 stays <= 32767. window is at most 44 (a position + 1) and the
    // counter stops at limit <= 4095 or restarts at most at nb + 1.
    // Comparisons of sub(a, b) with 0 are comparisons of a with b: the
    // saturated difference keeps the sign and is 0 only for a == b (the
    // operator would set Overflow for allocation - max_bits only with a
    // negative max_bits, never passed by the codec). best > nb - 2 is
    // best == last_position, as best never passes top.
    const int last_position = nb - 1;
    int window = 1;
    int counter = 0;

    // Each step serves the first maximum of work[0..top]. A record of that
    // window is kept between steps: peak = max(work[0..top]) and at_peak =
    // the positions in 0..top holding it, so the first maximum is the lowest
    // position in at_peak. Serving that position lowers its entry (by 2, or
    // to MIN_16), which then leaves the record, while the other positions
    // still hold the window's maximum; at MIN_16 it may stay, and stays in
    // the record. A new search is needed only when the record is empty or
    // top changes. (A window grown by one position always comes with an
    // empty record: it grows when its top position was served, the first
    // maximum, so the only one left at peak would be a MIN_16 that stayed,
    // and a window of MIN_16 entries has its first maximum at position 0,
    // never its top.)
    int top = -1;
    Word16 peak = 0;
    std::uint64_t at_peak = 0;
    for (;;) {
      // The window never needs to pass the last sorted position.
      const int new_top = window < last_position ? window : last_position;
      if (new_top != top || at_peak == 0) {
        const WindowMax w = K::window_max(work, 0, new_top);
        peak = w.value;
        at_peak = w.positions;
      }
      top = new_top;
      const int best = __builtin_ctzll(at_peak);
      if (best == window) ++window;

      const Word16 band = band_order[best];
      const Word16 width = band_width_table[band];
      if (bits < width || allocation[band] >= max_bits) break;

      // Saturates at MIN_16 for a priority of MIN_16 or MIN_16 + 1.
      work[best] = sub(work[best], 2);
      ++allocation[band];
      if (allocation[band] >= max_bits) work[best] = MIN_16;
      if (work[best] != peak) at_peak &= at_peak - 1;  // best is the lowest position
      bits = static_cast<Word16>(bits - width);
      if (bits < 8) break;

      if (best == last_position) {
        // The last sorted position was served: restart the window at the
        // first band that can still take bits; the pass counter resumes from
        // there.
        int n = 0;
        while (n < nb && work[n] <= MIN_16) ++n;
        if (n < nb) {
          window = n + 1;
          counter = n;
        } else {
          counter = nb;
        }
      }
      ++counter;
      if (counter >= limit) break;
    }
    for (int i = 0; i < nb; ++i) priority[i] = work[i];
  }

  give_leftover_bits(band_order, nb, 16, 23, 0, 16, &bits, allocation);
  give_leftover_bits(band_order, nb, 16, 23, 1, 16, &bits, allocation);
  give_leftover_bits(band_order, nb, 0, 15, 0, 8, &bits, allocation);
  give_leftover_bits(band_order, nb, 0, 15, 1, 8, &bits, allocation);
}

template <class K>
void allocate_band_bits(const Word16 *levels, Word16 transient, Word16 nb, Word16 budget, Word16 *band_order,
                        Word16 *allocation) {
  Word16 priority[kNumBands];
  for (Word16 b = 0; b < kNumBands; b++) band_order[b] = b;  // only the first nb take part
  compute_allocation_priorities(levels, priority, transient);
  sort_bands_by_priority<K>(priority, nb, band_order);
  for (int b = 0; b < kNumBands; b++) allocation[b] = 0;
  allocate_bits<K>(priority, band_order, budget, nb, kMaxBitsPerCoefficient, allocation);
}

template void allocate_band_bits<PortableKernels>(const Word16 *, Word16, Word16, Word16, Word16 *, Word16 *);
template void allocate_band_bits<Avx2Kernels>(const Word16 *, Word16, Word16, Word16, Word16 *, Word16 *);
template void sort_bands_by_priority<PortableKernels>(Word16 *, Word16, Word16 *);
template void sort_bands_by_priority<Avx2Kernels>(Word16 *, Word16, Word16 *);
template void allocate_bits<PortableKernels>(Word16 *, const Word16 *, Word16, Word16, Word16, Word16 *);
template void allocate_bits<Avx2Kernels>(Word16 *, const Word16 *, Word16, Word16, Word16, Word16 *);

Word16 count_allocated_bits(const Word16 *allocation, Word16 nb) {
  if (nb > kNumBands) nb = kNumBands;
  Word16 s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  for (Word16 b = 0; b < 16 && b < nb; ++b) s0 = add(s0, allocation[b]);
  for (Word16 b = 16; b < 24 && b < nb; ++b) s1 = add(s1, allocation[b]);
  for (Word16 b = 24; b < 36 && b < nb; ++b) s2 = add(s2, allocation[b]);
  for (Word16 b = 36; b < nb; ++b) s3 = add(s3, allocation[b]);
  return add(add(shl(s0, 3), shl(s1, 4)), add(extract_l(L_mult0(s2, 24)), shl(s3, 5)));
}
