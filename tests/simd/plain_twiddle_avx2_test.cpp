// The DCT-IV kernels' plain multiplications through 64-bit products against
// the lo/hi-split PlainLanes::mls they replace (any operands, as wrapping
// lane values) and against the scalar basic operators (operands that do not
// saturate).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "frame/kernel_sets.h"
#include "transform/simd_ops_avx2.h"

namespace {

using namespace avx2_ops;

// Eight lanes in, eight lanes out; f and the factors c, s hold one value per
// complex pair (lanes 2i and 2i + 1).
G719_AVX2 void paired_mls(const Word32 *a, const Word32 *f, Word32 *fast, Word32 *split) {
  const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(a));
  const __m256i vf = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(f));
  __m256i ov = _mm256_setzero_si256();
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(fast), plain_mls_paired(va, vf));
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(split), PlainLanes::mls(va, vf, ov));
}

G719_AVX2 void twiddles(const Word32 *x, const Word32 *c, const Word32 *s, Word32 *fast, Word32 *split) {
  const __m256i vx = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(x));
  const __m256i vc = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(c));
  const __m256i vs = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s));
  __m256i ov = _mm256_setzero_si256();
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(fast), plain_mul_twiddle4(vx, vc, vs));
  // The lane-operator form: (re c - im s, re s + im c) from PlainLanes::mls.
  const __m256i xc = PlainLanes::mls(vx, vc, ov);
  const __m256i xs = swap_pairs(PlainLanes::mls(vx, vs, ov));
  const __m256i v = _mm256_blend_epi32(_mm256_sub_epi32(xc, xs), _mm256_add_epi32(xs, xc), 0xAA);
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(split), v);
}

class PlainTwiddleAvx2 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g719_kernel_set_supported(KernelSet::kAvx2)) GTEST_SKIP() << "processor without AVX2";
  }
};

Word32 pick(std::mt19937 &rng, const std::vector<Word32> &edges) {
  std::uniform_int_distribution<int> choose(0, 3);
  if (choose(rng) == 0) return edges[std::uniform_int_distribution<std::size_t>(0, edges.size() - 1)(rng)];
  std::uniform_int_distribution<int> bits(1, 32);
  const int b = bits(rng);
  const std::int64_t span = std::int64_t{1} << (b - 1);
  return static_cast<Word32>(std::uniform_int_distribution<std::int64_t>(-span, span - 1)(rng));
}

Word16 pick_factor(std::mt19937 &rng) {
  std::uniform_int_distribution<int> choose(0, 3);
  if (choose(rng) == 0) {
    const Word16 edges[] = {-32768, -32767, -1, 0, 1, 32767, 23170, -23170};
    return edges[std::uniform_int_distribution<int>(0, 7)(rng)];
  }
  return static_cast<Word16>(std::uniform_int_distribution<int>(-32768, 32767)(rng));
}

const std::vector<Word32> kEdges = {MIN_32, MIN_32 + 1, MIN_32 + 65535, MIN_32 + 65536, -65537, -65536, -65535,
                                    -32769, -32768, -1, 0, 1, 32767, 32768, 65535, 65536, MAX_32 - 65536, MAX_32};

TEST_F(PlainTwiddleAvx2, PairedMlsMatchesTheSplitForm) {
  std::mt19937 rng(15);
  for (int trial = 0; trial < 20000; ++trial) {
    Word32 a[8], f[8], fast[8], split[8];
    for (int i = 0; i < 8; ++i) a[i] = pick(rng, kEdges);
    for (int i = 0; i < 8; i += 2) f[i] = f[i + 1] = pick_factor(rng);
    paired_mls(a, f, fast, split);
    for (int i = 0; i < 8; ++i) {
      ASSERT_EQ(fast[i], split[i]) << "a " << a[i] << ", f " << f[i];
      // Where L_mls cannot saturate (the high half times f is not
      // -32768 * -32768), the scalar operator gives the same value.
      if (!((a[i] >> 16) == -32768 && f[i] == -32768)) {
        Overflow = 0;
        ASSERT_EQ(fast[i], L_mls(a[i], static_cast<Word16>(f[i]))) << "a " << a[i] << ", f " << f[i];
      }
    }
  }
}

TEST_F(PlainTwiddleAvx2, TwiddleMatchesTheLaneOperatorForm) {
  std::mt19937 rng(17);
  for (int trial = 0; trial < 20000; ++trial) {
    Word32 x[8], c[8], s[8], fast[8], split[8];
    // Half the trials within +-2^29, where the scalar operators do not saturate.
    const bool small = trial % 2 == 0;
    for (int i = 0; i < 8; ++i) x[i] = small ? pick(rng, kEdges) >> 2 : pick(rng, kEdges);
    for (int i = 0; i < 8; i += 2) {
      c[i] = c[i + 1] = pick_factor(rng);
      s[i] = s[i + 1] = pick_factor(rng);
    }
    twiddles(x, c, s, fast, split);
    for (int i = 0; i < 8; ++i) ASSERT_EQ(fast[i], split[i]) << "trial " << trial << ", lane " << i;
    if (small) {
      for (int k = 0; k < 4; ++k) {
        const Word32 re = x[2 * k], im = x[2 * k + 1];
        const Word16 ck = static_cast<Word16>(c[2 * k]), sk = static_cast<Word16>(s[2 * k]);
        ASSERT_EQ(fast[2 * k], L_sub(L_mls(re, ck), L_mls(im, sk))) << "trial " << trial;
        ASSERT_EQ(fast[2 * k + 1], L_add(L_mls(re, sk), L_mls(im, ck))) << "trial " << trial;
      }
    }
  }
  Overflow = 0;
}

}  // namespace
