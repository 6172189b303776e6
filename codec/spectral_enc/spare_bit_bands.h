// The bands that the spare bits reach, walked identically by the encoder
// (which codes them) and the decoder (which reads them).
#pragma once

#include "basop/basop.h"
#include "spectral_enc/band_tables.h"

// In priority order (band_order[0..nb-1]), starting at the first position
// after 0 whose band has no bits, every band still without bits whose width
// fits in the spare bits left gets one bit per coefficient (allocation 1)
// and costs its width; a band too wide is passed over, as a narrower one may
// still fit. visit(band) is called for each band given bits, in that order.
template <class Visit>
void give_spare_bits(Word16 *allocation, const Word16 *band_order, Word16 nb, Word16 spare, Visit visit) {
  if (nb > kNumBands) nb = kNumBands;
  Word16 start = nb;
  for (Word16 p = 1; p < nb; p++) {
    if (allocation[band_order[p]] == 0) {
      start = p;
      break;
    }
  }
  for (Word16 p = start; p < nb; p++) {
    const Word16 b = band_order[p];
    if (allocation[b] != 0) continue;
    const Word16 width = band_width_table[b];
    if (sub(spare, width) < 0) continue;
    allocation[b] = 1;
    visit(b);
    spare = sub(spare, width);
  }
}
