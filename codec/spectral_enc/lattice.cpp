#include "spectral_enc/lattice.h"

#include "spectral_enc/d8_nearest_paths.h"
#include "spectral_enc/lattice_tables.h"

namespace {

bool lattice_bits_valid(Word16 R) { return R >= 2 && R <= kLatticeMaxBits; }

void clear_vector(Word16 *v) {
  for (int i = 0; i < kLatticeDim; i++) v[i] = 0;
}

// Sum of |z[i] - x[i]| (saturating): 0 exactly when the nearest point z is
// the codebook point x of its own index, that is when z lies in the codebook.
Word16 codebook_distance(const Word16 *z, const Word16 *x) {
  Word16 d = abs_s(sub(z[0], x[0]));
  for (int i = 1; i < kLatticeDim; i++) d = add(d, abs_s(sub(z[i], x[i])));
  return d;
}

// Nearest point, its index and the distance to the codebook point of that
// index, for the scaled vector y.
Word16 index_and_distance(const Word16 *y, Word16 *k, Word16 modulus, Word16 R) {
  Word16 z[kLatticeDim];
  Word16 x[kLatticeDim];
  d8_nearest_point(y, z, R);
  d8_point_to_index(z, k, modulus);
  d8_index_to_point(k, x, R);
  return codebook_distance(z, x);
}

}  // namespace

void d8_nearest_point(const Word16 *y, Word16 *z, Word16 R) {
  for (int i = 0; i < kLatticeDim; i++) {
    if (y[i] > kD8PlainBound || y[i] < -kD8PlainBound) {
      d8_nearest_point_saturating(y, z, R);
      return;
    }
  }
  d8_nearest_point_plain(y, z, R);
}

// Within +-kD8PlainBound and for shifts s = 13 - R of 4 to 11: |y >> s| is at
// most 1875, so every z stays within +-1876 and their sum within +-15008; z
// shifted back lies within 2^s of y, so within +-32048, and each rounding
// error within +-2048. None of add, sub, shl or abs_s can saturate, and
// plain arithmetic gives the same point.
void d8_nearest_point_plain(const Word16 *y, Word16 *z, Word16 R) {
  if (!lattice_bits_valid(R)) {
    clear_vector(z);
    return;
  }
  const int s = lattice_shift_table[R];
  const int mask = lattice_mask_table[R];
  const int half = lattice_half_table[R];

  int sum = 0;
  for (int i = 0; i < kLatticeDim; i++) {
    const int q = y[i] >> s;
    const int r = (y[i] & mask) - half;
    const int zi = (r > 0 || (r == 0 && y[i] < 0)) ? q + 1 : q;
    z[i] = static_cast<Word16>(zi);
    sum += zi;
  }

  if ((sum & 1) != 0) {
    int largest = 0;
    int j = 0;
    int e_j = 0;
    for (int i = 0; i < kLatticeDim; i++) {
      const int e = y[i] - z[i] * (1 << s);
      const int a = e < 0 ? -e : e;
      if (largest < a) {
        largest = a;
        j = i;
      }
      if (i == j) e_j = e;
    }
    z[j] = static_cast<Word16>(e_j >= 0 ? z[j] + 1 : z[j] - 1);
  }
}

void d8_nearest_point_saturating(const Word16 *y, Word16 *z, Word16 R) {
  if (!lattice_bits_valid(R)) {
    clear_vector(z);
    return;
  }
  const Word16 s = lattice_shift_table[R];
  const Word16 mask = lattice_mask_table[R];
  const Word16 half = lattice_half_table[R];

  Word16 sum = 0;
  for (int i = 0; i < kLatticeDim; i++) {
    const Word16 q = shr(y[i], s);
    const Word16 r = sub(static_cast<Word16>(y[i] & mask), half);
    // Round to nearest; an exact half rounds toward zero.
    if (r > 0 || (r == 0 && y[i] < 0)) {
      z[i] = add(q, 1);
    } else {
      z[i] = q;
    }
    sum = add(sum, z[i]);
  }

  if ((sum & 1) != 0) {
    // Odd sum: move the worst-rounded component the other way.
    Word16 largest = 0;
    int j = 0;
    Word16 e_j = 0;
    for (int i = 0; i < kLatticeDim; i++) {
      const Word16 e = sub(y[i], shl(z[i], s));
      const Word16 a = abs_s(e);
      if (sub(largest, a) < 0) {
        largest = a;
        j = i;
      }
      if (i == j) e_j = e;
    }
    z[j] = e_j >= 0 ? add(z[j], 1) : sub(z[j], 1);
  }
}

void d8_point_to_index(const Word16 *z, Word16 *k, Word16 modulus) {
  const Word16 m = sub(modulus, 1);
  Word16 d = z[0];
  for (int i = 1; i < kLatticeDim; i++) d = sub(d, z[i]);
  k[0] = static_cast<Word16>(shr(d, 1) & m);
  for (int i = 1; i < kLatticeDim; i++) k[i] = static_cast<Word16>(z[i] & m);
}

void d8_index_to_point(const Word16 *k, Word16 *x, Word16 R) {
  if (!lattice_bits_valid(R)) {
    clear_vector(x);
    return;
  }
  const Word16 s = sub(lattice_shift_table[R], R);  // 13 - 2R; negative for R >= 7

  Word16 t = shl(k[0], 1);
  for (int i = 1; i < kLatticeDim; i++) t = add(t, k[i]);

  Word16 w[kLatticeDim];
  w[0] = shl(t, s);
  for (int i = 1; i < kLatticeDim; i++) w[i] = shl(k[i], s);

  Word16 n[kLatticeDim];
  d8_nearest_point(w, n, R);

  x[0] = sub(t, shl(n[0], R));
  for (int i = 1; i < kLatticeDim; i++) x[i] = sub(k[i], shl(n[i], R));
}

void lattice_quantize_vector(Word16 *y, Word16 *k, Word16 modulus, Word16 R) {
  if (!lattice_bits_valid(R)) {
    clear_vector(k);
    return;
  }
  if (index_and_distance(y, k, modulus, R) == 0) return;

  // Outside the codebook: halve until the nearest point fits.
  bool fits = false;
  for (int n = 0; n < 15 && !fits; n++) {
    for (int i = 0; i < kLatticeDim; i++) y[i] = shr_r(y[i], 1);
    fits = index_and_distance(y, k, modulus, R) == 0;
  }
  if (!fits) {
    clear_vector(k);
    return;
  }

  // Grow the halved vector back by m/16 while it still fits.
  for (Word16 m = 1; m <= 15; m++) {
    Word16 w[kLatticeDim];
    for (int i = 0; i < kLatticeDim; i++) {
      Word16 t = extract_l(L_shr(L_mult0(y[i], m), 4));
      if (t < 0) t = add(t, 1);
      w[i] = add(y[i], t);
    }
    Word16 grown[kLatticeDim];
    if (index_and_distance(w, grown, modulus, R) != 0) return;
    for (int i = 0; i < kLatticeDim; i++) k[i] = grown[i];
  }
}

void lattice_quantize_scaled(const Word16 *v, Word16 *k, Word16 R) {
  Word16 y[kLatticeDim];
  for (int i = 0; i < kLatticeDim; i++) y[i] = extract_l(L_shr(L_mult0(21845, sub(v[i], 4)), 12));
  const Word16 modulus = lattice_bits_valid(R) ? lattice_modulus_table[R] : Word16{0};
  lattice_quantize_vector(y, k, modulus, R);
}

void lattice_quantize_vectors(const Word16 *v, Word16 *k, Word16 count, Word16 R) {
  for (Word16 n = 0; n < count; n++) lattice_quantize_scaled(v + kLatticeDim * n, k + kLatticeDim * n, R);
}
