// Block scaling loops with AVX2, eight values per step; the remainder of a
// block that is not a multiple of eight runs the portable loop.
#include "frame/block_scaling.h"

#if defined(__x86_64__)

#include "transform/simd_ops_avx2.h"

namespace {

using namespace avx2_ops;

G719_AVX2_KERNEL Word32 peak_kernel(const Word32 *x, int n) {
  __m256i m = _mm256_setzero_si256();
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    // abs gives 2^31 for MIN_32: compared unsigned it exceeds every other
    // magnitude, and is limited to MAX_32 at the end as L_abs would give.
    m = _mm256_max_epu32(m, _mm256_abs_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + i))));
  }
  __m128i h = _mm_max_epu32(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
  h = _mm_max_epu32(h, _mm_shuffle_epi32(h, 0x4E));
  h = _mm_max_epu32(h, _mm_shuffle_epi32(h, 0xB1));
  const UWord32 top = static_cast<UWord32>(_mm_cvtsi128_si32(h));
  Word32 peak = top > static_cast<UWord32>(MAX_32) ? MAX_32 : static_cast<Word32>(top);
  const Word32 rest = block_peak_magnitude_portable(x + i, n - i);
  return rest > peak ? rest : peak;
}

template <bool kCopy>
G719_AVX2 void store_shifted(Word32 *x, Word32 *copy, int at, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(x + at), v);
  if constexpr (kCopy) _mm256_storeu_si256(reinterpret_cast<__m256i *>(copy + at), v);
}

// With kCopy the shifted values also go to copy[0 .. n-1].
template <bool kCopy>
G719_AVX2_KERNEL void shl_kernel(Word32 *x, int n, Word16 shift, Word32 *copy) {
  int i = 0;
  if (shift > 0) {
    __m256i ov = _mm256_setzero_si256();
    const __m128i count = _mm_cvtsi32_si128(shift);
    for (; i + 8 <= n; i += 8) {
      store_shifted<kCopy>(x, copy, i, L_shl8_positive(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + i)), count, ov));
    }
    flush_overflow(ov);
  } else {
    // L_shr by min(-shift, 32): arithmetic shift, counts of 31 and more give
    // 0 or -1 like the operator.
    const __m128i count = _mm_cvtsi32_si128(shift < -32 ? 32 : -shift);
    for (; i + 8 <= n; i += 8) {
      store_shifted<kCopy>(x, copy, i, _mm256_sra_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(x + i)), count));
    }
  }
  if constexpr (kCopy) {
    block_shl_copy_portable(x + i, n - i, shift, copy + i);
  } else {
    block_shl_portable(x + i, n - i, shift);
  }
}

}  // namespace

Word32 block_peak_magnitude_avx2(const Word32 *x, int n) { return peak_kernel(x, n); }

void block_shl_avx2(Word32 *x, int n, Word16 shift) { shl_kernel<false>(x, n, shift, nullptr); }

void block_shl_copy_avx2(Word32 *x, int n, Word16 shift, Word32 *copy) { shl_kernel<true>(x, n, shift, copy); }

#else

#include <cstdlib>

Word32 block_peak_magnitude_avx2(const Word32 *, int) { std::abort(); }
void block_shl_avx2(Word32 *, int, Word16) { std::abort(); }
void block_shl_copy_avx2(Word32 *, int, Word16, Word32 *) { std::abort(); }

#endif
