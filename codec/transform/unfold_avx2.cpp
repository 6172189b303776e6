// The unfolding with AVX2: eight values per step, the mirrored halves
// reversed with one lane permutation and negated with L_sub(0, x) per lane.
#include "transform/inverse_transform.h"

#if defined(__x86_64__)

#include "frame/frame_geometry.h"
#include "transform/simd_ops_avx2.h"

namespace {

using namespace avx2_ops;

G719_AVX2 static inline __m256i loadu8(const Word32 *v) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(v));
}

G719_AVX2 static inline void storeu8(Word32 *p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v); }

// L_sub(0, x[e - j]) for j = 0..7, where x[e - 7 .. e] is loaded.
G719_AVX2 static inline __m256i negated_reversed(const Word32 *last, __m256i reverse, __m256i &ov) {
  return L_sub8(_mm256_setzero_si256(), _mm256_permutevar8x32_epi32(loadu8(last - 7), reverse), ov);
}

G719_AVX2 void unfold_kernel(const Word32 *v, Word32 *aliased) {
  __m256i ov = _mm256_setzero_si256();
  const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  for (int i = 0; i < kHalfFrame; i += 8) {
    storeu8(aliased + i, loadu8(v + 480 + i));
    storeu8(aliased + 480 + i, negated_reversed(v + 959 - i, reverse, ov));
    storeu8(aliased + 960 + i, negated_reversed(v + 479 - i, reverse, ov));
    storeu8(aliased + 1440 + i, L_sub8(_mm256_setzero_si256(), loadu8(v + i), ov));
  }
  flush_overflow(ov);
}

G719_AVX2 static inline __m256i half(__m256i x) { return _mm256_srai_epi32(x, 1); }

// With v halved first: |v >> 1| <= 2^30, so the negations are plain.
G719_AVX2 void unfold_halved_kernel(const Word32 *v, Word32 *aliased) {
  const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  const __m256i zero = _mm256_setzero_si256();
  for (int i = 0; i < kHalfFrame; i += 8) {
    storeu8(aliased + i, half(loadu8(v + 480 + i)));
    storeu8(aliased + 480 + i, _mm256_sub_epi32(zero, half(_mm256_permutevar8x32_epi32(loadu8(v + 952 - i), reverse))));
    storeu8(aliased + 960 + i, _mm256_sub_epi32(zero, half(_mm256_permutevar8x32_epi32(loadu8(v + 472 - i), reverse))));
    storeu8(aliased + 1440 + i, _mm256_sub_epi32(zero, half(loadu8(v + i))));
  }
}

}  // namespace

void unfold_aliased_avx2(const Word32 *v, Word32 *aliased) { unfold_kernel(v, aliased); }

void unfold_halved_aliased_avx2(const Word32 *v, Word32 *aliased) { unfold_halved_kernel(v, aliased); }

#else

#include <cstdlib>

void unfold_aliased_avx2(const Word32 *, Word32 *) { std::abort(); }
void unfold_halved_aliased_avx2(const Word32 *, Word32 *) { std::abort(); }

#endif
