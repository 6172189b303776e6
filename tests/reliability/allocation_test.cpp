// The codec allocates its instances at create and nothing per frame: calls
// into the C allocator are counted, by interposing malloc and friends in this
// program, while frames are encoded, decoded and concealed. (The sanitizer
// build replaces the allocator itself; there the test is skipped.)
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame/g719_codec.h"
#include "vector_manifest.h"

#if defined(__SANITIZE_ADDRESS__)
#define G719_ALLOCATOR_REPLACED 1
#endif

namespace {
std::atomic<long> g_allocations{0};
}

#ifndef G719_ALLOCATOR_REPLACED
extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);

void *malloc(size_t n) { return ++g_allocations, __libc_malloc(n); }
void *calloc(size_t n, size_t m) { return ++g_allocations, __libc_calloc(n, m); }
void *realloc(void *p, size_t n) { return ++g_allocations, __libc_realloc(p, n); }
void *aligned_alloc(size_t a, size_t n) { return ++g_allocations, __libc_memalign(a, n); }
}
#endif

namespace {

TEST(Resources, NoAllocationPerFrame) {
#ifdef G719_ALLOCATOR_REPLACED
  GTEST_SKIP() << "allocator replaced by the sanitizer runtime";
#else
  const std::vector<int16_t> pcm = s16le_samples(read_vector_file(G719_VECTORS_DIR, "signals/pluck_notes.pcm"));
  ASSERT_GE(pcm.size(), 100u * G719_FRAME_SAMPLES);
  std::vector<uint8_t> frame(G719_MAX_FRAME_BYTES);
  std::vector<int16_t> out(G719_FRAME_SAMPLES);
  // The counter must see create's allocations, or the check below would pass
  // for the wrong reason.
  const long before_create = g_allocations;
  G719EncoderState *enc = g719_encoder_create(64000);
  G719DecoderState *dec = g719_decoder_create(64000);
  ASSERT_TRUE(enc && dec);
  EXPECT_GE(g_allocations - before_create, 2);
  const long before_frames = g_allocations;
  for (size_t f = 0; f < 100; ++f) {
    g719_encode(enc, &pcm[f * G719_FRAME_SAMPLES], frame.data());
    g719_decode(dec, frame.data(), out.data(), f % 10 == 3 ? 1 : 0);
  }
  EXPECT_EQ(g_allocations - before_frames, 0);
  g719_encoder_free(enc);
  g719_decoder_free(dec);
#endif
}

}  // namespace
