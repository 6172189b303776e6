#include "spectral_enc/band_energy.h"

Word32 band_energy(const Word32 *coefficients, Word16 width, Word16 shift) {
  Word32 energy = 0;
  for (Word16 i = 0; i < width; ++i) {
    const Word16 y = extract_h(L_shl(coefficients[i], shift));
    energy = L_mac0(energy, y, y);
  }
  return energy;
}
