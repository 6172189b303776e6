// Block scaling loops with AVX2, eight values per step; the remainder of a
// block that is not a multiple of eight runs the portable loop.
#include "frame/block_scaling.h"

#if defined(__x86_64__)

#include "transform/simd_ops_avx2.h"

namespace {

using namespace avx2_ops;

template <bool kCopy>
G719_AVX2 static inline void store_shifted(Word32 *x, Word32 *copy, int at, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(x + at), v);
  if constexpr (kCopy) _mm256_storeu_si256(reinterpret_cast<__m256i *>(copy + at), v);
}

// With kCopy the shifted values also go to copy[0 .. n-1].
template <bool kCopy>
G719_AVX2 void shl_kernel(Word32 *x, int n, Word16 shift, Word32 *copy) {
  int i = 0;
  if (shift > 0) {
    __m256i ov = _mm256_setzero_si256();
    const __m128i count = _mm_cvtsi32_si128(shift);
    for (; i + 8 <= n; i += 8) {
      store_shifted<kCopy>(x, copy, i,
                           L_shl8_positive(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + i)), count, ov));
    }
    flush_overflow(ov);
  } else {
    // L_shr by min(-shift, 32): arithmetic shift, counts of 31 and more give
    // 0 or -1 like the operator.
    const __m128i count = _mm_cvtsi32_si128(shift < -32 ? 32 : -shift);
    for (; i + 8 <= n; i += 8) {
      store_shifted<kCopy>(x, copy, i,
                           _mm256_sra_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + i)), count));
    }
  }
  if constexpr (kCopy) {
    block_shl_copy(x + i, n - i, shift, copy + i);
  } else {
    block_shl(x + i, n - i, shift);
  }
}

}  // namespace

void block_shl_avx2(Word32 *x, int n, Word16 shift) { shl_kernel<false>(x, n, shift, nullptr); }

void block_shl_copy_avx2(Word32 *x, int n, Word16 shift, Word32 *copy) { shl_kernel<true>(x, n, shift, copy); }

// L_shr(x, s) is L_shl(x, -s) for every s with -s > -32768, and the limits
// both take (32 either way) agree; only s = -32768 needs the portable loop.
void block_shr_avx2(Word32 *x, int n, Word16 shift) {
  if (shift == MIN_16) {
    block_shr(x, n, shift);
  } else {
    shl_kernel<false>(x, n, static_cast<Word16>(-shift), nullptr);
  }
}

#else

#include <cstdlib>

void block_shl_avx2(Word32 *, int, Word16) { std::abort(); }
void block_shl_copy_avx2(Word32 *, int, Word16, Word32 *) { std::abort(); }
void block_shr_avx2(Word32 *, int, Word16) { std::abort(); }

#endif
