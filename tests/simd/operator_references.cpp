#include "operator_references.h"

#include "spectral_enc/bit_allocation.h"
#include "spectral_enc/lattice_tables.h"
#include "spectral_enc/onebit_quantizer.h"
#include "spectral_enc/selection_sort.h"

namespace {

bool less_by_sub(Word16 a, Word16 b) { return sub(a, b) < 0; }

}  // namespace

SubblockEnergy subblock_energy_carry(const Word16 *y, int n) {
  SubblockEnergy e = {0, 0};
  Overflow = 0;
  Carry = 0;
  for (int i = 0; i < n; ++i) {
    e.lo = L_add_c(e.lo, L_mult(y[i], y[i]));
    if (Overflow != 0) {
      e.hi = L_add(e.hi, 1);
      Overflow = 0;
      e.lo = e.lo & MAX_32;
    }
  }
  return e;
}

Word16 first_max_position_saturating(const Word16 *priority, Word16 top) {
  Word16 best = 0;
  Word16 m = priority[0];
  for (Word16 j = 1; j <= top; j = add(j, 1)) {
    if (sub(priority[j], m) > 0) best = j;
    m = m > priority[j] ? m : priority[j];
  }
  return best;
}

void sort_bands_by_priority_reference(Word16 *priority, Word16 nb, Word16 *band_order) {
  if (nb > kNumBands) nb = kNumBands;
  selection_sort_descending(priority, band_order, nb, less_by_sub);
}

void allocate_bits_reference(Word16 *priority, const Word16 *band_order, Word16 budget, Word16 nb, Word16 max_bits,
                             Word16 *allocation) {
  if (nb > kNumBands) nb = kNumBands;
  if (nb < 1) return;
  Word16 bits = budget;
  const Word16 limit = shr(budget, 3);
  const Word16 last_position = sub(nb, 1);

  if (limit > 0) {
    Word16 window = 1;
    Word16 counter = 0;
    for (;;) {
      const Word16 top = window < last_position ? window : last_position;
      const Word16 best = first_max_position_saturating(priority, top);
      if (best == window) window = add(window, 1);

      const Word16 band = band_order[best];
      const Word16 width = band_width_table[band];
      if (sub(bits, width) < 0 || sub(allocation[band], max_bits) >= 0) break;

      priority[best] = sub(priority[best], 2);
      allocation[band] = add(allocation[band], 1);
      if (sub(allocation[band], max_bits) >= 0) priority[best] = MIN_16;
      bits = sub(bits, width);
      if (sub(bits, 8) < 0) break;

      if (sub(best, sub(nb, 2)) > 0) {
        Word16 n = 0;
        while (n < nb && priority[n] <= MIN_16) n = add(n, 1);
        if (n < nb) {
          window = add(n, 1);
          counter = n;
        } else {
          counter = nb;
        }
      }
      counter = add(counter, 1);
      if (sub(counter, limit) >= 0) break;
    }
  }

  give_leftover_bits(band_order, nb, 16, 23, 0, 16, &bits, allocation);
  give_leftover_bits(band_order, nb, 16, 23, 1, 16, &bits, allocation);
  give_leftover_bits(band_order, nb, 0, 15, 0, 8, &bits, allocation);
  give_leftover_bits(band_order, nb, 0, 15, 1, 8, &bits, allocation);
}

void quantize_onebit_reference(Word16 *y, Word16 *out) {
  // Sort descending, remembering where each value came from.
  Word16 perm[kLatticeDim] = {0, 1, 2, 3, 4, 5, 6, 7};
  selection_sort_descending(y, perm, kLatticeDim, less_by_sub);

  // Nearest leader to the sorted vector; ties keep the lower leader.
  const int leader = nearest_onebit_leader_saturating(y);

  // Index of the leader's permutation that puts its components back at the
  // input positions of the sorted values.
  Word16 index = onebit_leader_base_table[leader];
  if (leader == 3) {
    Word16 order = 0;  // negative when the +2 lies at a lower position than the -2
    for (int i = 0; i < kLatticeDim; i++) {
      order = add(order, extract_l(L_mult0(perm[i], onebit_leader_table[3][i])));
    }
    if (order < 0) index = add(index, 28);
  }
  Word16 mask = 0;
  for (int i = 0; i < kLatticeDim; i++) mask = add(mask, shl(onebit_position_mask_table[leader][i], perm[i]));
  out[0] = add(index, onebit_rank_table[mask]);
}

void quantize_scaled_onebit_reference(const Word16 *v, Word16 *out) {
  Word16 y[kLatticeDim];
  for (int i = 0; i < kLatticeDim; i++) {
    const Word16 c = sub(v[i], 4);
    y[i] = add(c, mult(c, 3277));
  }
  quantize_onebit_reference(y, out);
}
