// The 480-point FFT with AVX2. The radix-4 stage runs four butterflies per
// step, and the four 120-point transforms that follow it run side by side:
// one register holds element i of all four quarters, so the nested
// 120-point transform is the portable one with every complex value replaced
// by a register of four. Its scatter then lands each register on four
// consecutive outputs (output 4m + r is element m of quarter r), which makes
// the final reordering a plain store.
#include "transform/fft_avx2.h"

#if defined(__x86_64__)

#include "transform/simd_ops_avx2.h"
#include "transform/transform_tables.h"

namespace {

using namespace avx2_ops;

// Tables rearranged for the vector code, built once from the portable ones.
struct Fft480Avx2Tables {
  // Radix-4 twiddles of groups of four butterflies: [g][r-1] holds the
  // factors of n = 4g .. 4g+3, each repeated for the re and im lanes.
  alignas(32) Word32 c[30][3][8];
  alignas(32) Word32 s[30][3][8];
  Word32 mult[6][24];
};

Fft480Avx2Tables build_tables() {
  Fft480Avx2Tables t{};
  for (int g = 0; g < 30; ++g) {
    for (int r = 1; r < 4; ++r) {
      for (int i = 0; i < 4; ++i) {
        const Q15Pair w = fft480_twiddle[4 * g + i][r];
        t.c[g][r - 1][2 * i] = t.c[g][r - 1][2 * i + 1] = w.c;
        t.s[g][r - 1][2 * i] = t.s[g][r - 1][2 * i + 1] = w.s;
      }
    }
  }
  for (int k = 0; k < 6; ++k) {
    for (int p = 0; p < 24; ++p) t.mult[k][p] = wfta120_multipliers[k][p];
  }
  return t;
}

const Fft480Avx2Tables &tables() {
  static const Fft480Avx2Tables t = build_tables();
  return t;
}

// Four complex values to out[4k .. 4k+3], the outputs k of the four transforms.
G719_AVX2 static inline void store4(Cplx *out, int k, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + 4 * k), v);
}

G719_AVX2 static inline __m256i load8(const Word32 *v) {
  return _mm256_load_si256(reinterpret_cast<const __m256i *>(v));
}

template <class Lanes>
G719_AVX2 static inline __m256i mul_real4(__m256i a, Word32 f, __m256i &ov) {
  if constexpr (std::is_same_v<Lanes, PlainLanes>) return plain_mls_paired(a, _mm256_set1_epi32(f));
  return Lanes::mls(a, _mm256_set1_epi32(f), ov);
}

// Element i of the four transforms: a register of a work array, or the four
// complex values in[4i .. 4i+3].
G719_AVX2 static inline __m256i element4(const __m256i *in, int i) { return in[i]; }
G719_AVX2 static inline __m256i element4(const Cplx *in, int i) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + 4 * i));
}

// Entry 8h + r of wfta120_input_map and wfta120_output_map, h = 3a + b.
constexpr int in_index(int h, int r) { return (24 * (h / 3) + 40 * (h % 3) + 15 * r) % 120; }
constexpr int out_index(int h, int r) { return (96 * (h / 3) + 40 * (h % 3) + 105 * r) % 120; }

// The nested 120-point transform of fft_120 on four transforms at once:
// in[i] holds element i of the four, out receives output k of transform r
// at out[4k + r].
template <class Lanes, class In>
G719_AVX2 void fft_120_x4(const In *in, Cplx *out, const Fft480Avx2Tables &t, __m256i &ov) {
  // Work array, position 24 * (5-point index) + 8 * (3-point index) +
  // (8-point index).
  __m256i I[120];
  const auto &M = t.mult;

  // 1. Gather through the input map and 8-point pre-additions. The loops
  // over the 15 groups h = 3a + b run unrolled, so that the index maps
  // (wfta120_input_map and wfta120_output_map: position 24a + 8b + r
  // gathers (24a + 40b + 15r) mod 120 and scatters to (96a + 40b + 105r)
  // mod 120) become constant offsets.
#pragma GCC unroll 15
  for (int h = 0; h < 15; ++h) {
    __m256i x[8];
#pragma GCC unroll 8
    for (int r = 0; r < 8; ++r) x[r] = element4(in, in_index(h, r));
    const __m256i s04 = Lanes::add(x[0], x[4], ov);
    const __m256i s15 = Lanes::add(x[1], x[5], ov);
    const __m256i s26 = Lanes::add(x[2], x[6], ov);
    const __m256i s37 = Lanes::add(x[3], x[7], ov);
    const __m256i d15 = Lanes::sub(x[1], x[5], ov);
    const __m256i d37 = Lanes::sub(x[3], x[7], ov);
    __m256i *o = &I[8 * h];
    o[0] = Lanes::add(s04, s26, ov);
    o[1] = Lanes::add(s15, s37, ov);
    o[2] = Lanes::sub(s04, s26, ov);
    o[3] = Lanes::sub(s15, s37, ov);
    o[4] = Lanes::sub(x[0], x[4], ov);
    o[5] = Lanes::add(d15, d37, ov);
    o[6] = Lanes::sub(x[2], x[6], ov);
    o[7] = Lanes::sub(d15, d37, ov);
  }

  // 2.-5. The 3-point and 5-point modules combine the fifteen values
  // I[24a + 8j + e] (a < 5, j < 3) of one 8-point index e only among
  // themselves, so they run on those fifteen in registers, one e at a time.
  // Every value is formed by the same operations as in fft_120.
  for (int e = 0; e < 8; ++e) {
    __m256i v[5][3];
#pragma GCC unroll 5
    for (int a = 0; a < 5; ++a) {
#pragma GCC unroll 3
      for (int j = 0; j < 3; ++j) v[a][j] = I[24 * a + 8 * j + e];
    }

    // 2. 3-point pre-additions.
#pragma GCC unroll 5
    for (int a = 0; a < 5; ++a) {
      const __m256i p1 = Lanes::add(v[a][1], v[a][2], ov);
      const __m256i p2 = Lanes::sub(v[a][1], v[a][2], ov);
      v[a][0] = Lanes::add(v[a][0], p1, ov);
      v[a][1] = p1;
      v[a][2] = p2;
    }

    // 3.-4. Per position p = 8j + e: 5-point pre-additions, the six
    // multiplications and the 5-point post-additions.
#pragma GCC unroll 3
    for (int j = 0; j < 3; ++j) {
      const int p = 8 * j + e;
      const __m256i s14 = Lanes::add(v[1][j], v[4][j], ov);
      const __m256i d14 = Lanes::sub(v[1][j], v[4][j], ov);
      const __m256i s23 = Lanes::add(v[3][j], v[2][j], ov);
      const __m256i d32 = Lanes::sub(v[3][j], v[2][j], ov);
      const __m256i t1 = Lanes::add(s14, s23, ov);
      const __m256i t2 = Lanes::sub(s14, s23, ov);
      const __m256i t3 = Lanes::add(d14, d32, ov);
      const __m256i m0 = mul_real4<Lanes>(Lanes::add(v[0][j], t1, ov), M[0][p], ov);
      const __m256i m1 = mul_real4<Lanes>(t1, M[1][p], ov);
      const __m256i m2 = cplx_mul_j4_with<Lanes>(mul_real4<Lanes>(d14, M[2][p], ov));
      const __m256i m3 = mul_real4<Lanes>(t2, M[3][p], ov);
      const __m256i m4 = cplx_mul_j4_with<Lanes>(mul_real4<Lanes>(d32, M[4][p], ov));
      const __m256i m5 = cplx_mul_j4_with<Lanes>(mul_real4<Lanes>(t3, M[5][p], ov));
      const __m256i s1 = Lanes::add(m0, m1, ov);
      const __m256i s2 = Lanes::add(s1, m3, ov);
      const __m256i s3 = Lanes::sub(s1, m3, ov);
      const __m256i s4 = Lanes::add(m2, m5, ov);
      const __m256i s5 = Lanes::add(m4, m5, ov);
      v[0][j] = m0;
      v[1][j] = Lanes::add(s2, s4, ov);
      v[2][j] = Lanes::sub(s3, s5, ov);
      v[3][j] = Lanes::add(s3, s5, ov);
      v[4][j] = Lanes::sub(s2, s4, ov);
    }

    // 5. 3-point post-additions.
#pragma GCC unroll 5
    for (int a = 0; a < 5; ++a) {
      const __m256i m2 = cplx_mul_j4_with<Lanes>(v[a][2]);
      const __m256i sum = Lanes::add(v[a][0], v[a][1], ov);
      I[24 * a + e] = v[a][0];
      I[24 * a + 8 + e] = Lanes::add(sum, m2, ov);
      I[24 * a + 16 + e] = Lanes::sub(sum, m2, ov);
    }
  }

  // 6. 8-point post-additions and scatter through the output map.
#pragma GCC unroll 15
  for (int h = 0; h < 15; ++h) {
    const __m256i *m = &I[8 * h];
    int map[8];
#pragma GCC unroll 8
    for (int r = 0; r < 8; ++r) map[r] = out_index(h, r);
    const __m256i m3 = cplx_mul_j4_with<Lanes>(m[3]);
    const __m256i m5 = cplx_mul_j4_with<Lanes>(m[5]);
    const __m256i m6 = cplx_mul_j4_with<Lanes>(m[6]);
    const __m256i g1 = Lanes::add(m[4], m5, ov);
    const __m256i g2 = Lanes::sub(m[4], m5, ov);
    const __m256i g3 = Lanes::add(m6, m[7], ov);
    const __m256i g4 = Lanes::sub(m6, m[7], ov);
    store4(out, map[0], Lanes::add(m[0], m[1], ov));
    store4(out, map[4], Lanes::sub(m[0], m[1], ov));
    store4(out, map[2], Lanes::add(m[2], m3, ov));
    store4(out, map[6], Lanes::sub(m[2], m3, ov));
    store4(out, map[1], Lanes::add(g1, g3, ov));
    store4(out, map[5], Lanes::add(g2, g4, ov));
    store4(out, map[3], Lanes::sub(g1, g3, ov));
    store4(out, map[7], Lanes::sub(g2, g4, ov));
  }
}

// The source of the radix-4 stage: element(n) gives the 960-point DCT-IV's
// pre-twiddled values n .. n+3, formed where the radix-4
// stage needs them: z[n] = (x[2n], x[959 - 2n]) times the factors (c, s)
// (each repeated for the re and im lanes), which is the twiddle product
// mul_twiddle4 of the pair. Pairs n .. n+3: the even samples x[2n .. 2n+6]
// of one load and, from the load that ends at x[959 - 2n], its odd
// positions in reverse order.
template <class Lanes>
struct Dct960PreTwiddleSource {
  const Word32 *x;
  const Word32 *c;
  const Word32 *s;
  G719_AVX2 __m256i element(int n, __m256i &ov) const {
    const __m256i mirror = _mm256_setr_epi32(0, 7, 0, 5, 0, 3, 0, 1);
    const __m256i front = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + 2 * n));
    const __m256i back = _mm256_permutevar8x32_epi32(
        _mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + 952 - 2 * n)), mirror);
    return mul_twiddle4_with<Lanes>(_mm256_blend_epi32(front, back, 0xAA), load8(c + 2 * n), load8(s + 2 * n), ov);
  }
};

// The 480-point FFT of the values of source into z.
template <class Lanes, class Source>
G719_AVX2 void fft_480_kernel(const Source &source, Cplx *z, const Fft480Avx2Tables &t) {
  __m256i ov = _mm256_setzero_si256();
  // quarters[n] holds element n of the four quarters after the radix-4 stage.
  __m256i quarters[120];

  for (int g = 0; g < 30; ++g) {
    const int n = 4 * g;
    const __m256i a0 = source.element(n, ov);
    const __m256i a1 = source.element(n + 120, ov);
    const __m256i a2 = source.element(n + 240, ov);
    const __m256i a3 = source.element(n + 360, ov);
    const __m256i p = Lanes::add(a0, a2, ov);
    const __m256i q = Lanes::add(a1, a3, ov);
    const __m256i r = Lanes::sub(a0, a2, ov);
    const __m256i d = Lanes::sub(a3, a1, ov);
    // e = (a3.re - a1.re, L_negate(a3.im - a1.im)), then its parts swapped.
    const __m256i e_swapped = swap_pairs(_mm256_blend_epi32(d, Lanes::negate(d), 0xAA));
    const __m256i x0 = Lanes::add(p, q, ov);
    const __m256i x2 = Lanes::sub(p, q, ov);
    const __m256i x1 = Lanes::add(r, e_swapped, ov);
    const __m256i x3 = Lanes::sub(r, e_swapped, ov);
    const __m256i y1 = mul_twiddle4_with<Lanes>(x1, load8(t.c[g][0]), load8(t.s[g][0]), ov);
    const __m256i y2 = mul_twiddle4_with<Lanes>(x2, load8(t.c[g][1]), load8(t.s[g][1]), ov);
    const __m256i y3 = mul_twiddle4_with<Lanes>(x3, load8(t.c[g][2]), load8(t.s[g][2]), ov);
    // Transpose the 4 x 4 block of complex values: quarters[n + i] gets
    // (x0, y1, y2, y3) of butterfly n + i.
    const __m256i t0 = _mm256_unpacklo_epi64(x0, y1);
    const __m256i t1 = _mm256_unpackhi_epi64(x0, y1);
    const __m256i t2 = _mm256_unpacklo_epi64(y2, y3);
    const __m256i t3 = _mm256_unpackhi_epi64(y2, y3);
    quarters[n] = _mm256_permute2x128_si256(t0, t2, 0x20);
    quarters[n + 1] = _mm256_permute2x128_si256(t1, t3, 0x20);
    quarters[n + 2] = _mm256_permute2x128_si256(t0, t2, 0x31);
    quarters[n + 3] = _mm256_permute2x128_si256(t1, t3, 0x31);
  }

  fft_120_x4<Lanes>(quarters, z, t, ov);
  flush_overflow(ov);
}

template <class Lanes>
G719_AVX2 void fft_120_x4_kernel(const Cplx *in, Cplx *out, const Fft480Avx2Tables &t) {
  __m256i ov = _mm256_setzero_si256();
  fft_120_x4<Lanes>(in, out, t, ov);
  flush_overflow(ov);
}

}  // namespace

void fft_120_x4_avx2(const Cplx *in, Cplx *out) { fft_120_x4_kernel<SaturatingLanes>(in, out, tables()); }

void dct960_pre_twiddle_fft_480_avx2(const Word32 *x, const Word32 *c, const Word32 *s, Cplx *z) {
  fft_480_kernel<SaturatingLanes>(Dct960PreTwiddleSource<SaturatingLanes>{x, c, s}, z, tables());
}

void dct960_pre_twiddle_fft_480_avx2_plain(const Word32 *x, const Word32 *c, const Word32 *s, Cplx *z) {
  fft_480_kernel<PlainLanes>(Dct960PreTwiddleSource<PlainLanes>{x, c, s}, z, tables());
}

void fft_120_x4_avx2_plain(const Cplx *in, Cplx *out) { fft_120_x4_kernel<PlainLanes>(in, out, tables()); }

#else

#include <cstdlib>

void fft_120_x4_avx2(const Cplx *, Cplx *) { std::abort(); }
void fft_120_x4_avx2_plain(const Cplx *, Cplx *) { std::abort(); }
void dct960_pre_twiddle_fft_480_avx2(const Word32 *, const Word32 *, const Word32 *, Cplx *) { std::abort(); }
void dct960_pre_twiddle_fft_480_avx2_plain(const Word32 *, const Word32 *, const Word32 *, Cplx *) { std::abort(); }

#endif
