#include "spectral_enc/band_energy.h"

#include "frame/cpu_dispatch.h"

Word32 band_energy_portable(const Word32 *coefficients, Word16 width, Word16 shift) {
  Word32 energy = 0;
  for (Word16 i = 0; i < width; ++i) {
    const Word16 y = extract_h(L_shl(coefficients[i], shift));
    energy = L_mac0(energy, y, y);
  }
  return energy;
}

Word32 band_energy(const Word32 *coefficients, Word16 width, Word16 shift) {
  return g719_avx2_active() ? band_energy_avx2(coefficients, width, shift)
                            : band_energy_portable(coefficients, width, shift);
}
