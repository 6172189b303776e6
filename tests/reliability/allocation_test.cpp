// The codec allocates its instances at create and nothing per frame. The
// test counts calls into the C allocator while frames are encoded and
// decoded, by interposing malloc and friends in this test program (the
// sanitizer build replaces the allocator itself, so there the test is
// skipped).
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "frame/g719_codec.h"
#include "signal_files.h"

#if defined(__SANITIZE_ADDRESS__)
#define G719_ALLOCATOR_REPLACED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define G719_ALLOCATOR_REPLACED 1
#endif
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

void *malloc(size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(n);
}
void *calloc(size_t n, size_t m) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(n, m);
}
void *realloc(void *p, size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, n);
}
void *aligned_alloc(size_t a, size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_memalign(a, n);
}
}
#endif

namespace {

TEST(Resources, NoAllocationPerFrame) {
#ifdef G719_ALLOCATOR_REPLACED
  GTEST_SKIP() << "allocator replaced by the sanitizer runtime";
#else
  const std::vector<int16_t> pcm = test_signals::load("pluck_notes");
  ASSERT_GE(pcm.size(), 100u * G719_FRAME_SAMPLES);
  std::vector<uint8_t> frame(G719_MAX_FRAME_BYTES);
  std::vector<int16_t> out(G719_FRAME_SAMPLES);

  // The counter must see the allocations create makes, or the check below
  // would pass for the wrong reason.
  const long before_create = g_allocations.load();
  G719EncoderState *enc = g719_encoder_create(64000);
  G719DecoderState *dec = g719_decoder_create(64000);
  ASSERT_NE(enc, nullptr);
  ASSERT_NE(dec, nullptr);
  EXPECT_GE(g_allocations.load() - before_create, 2);

  const long before_frames = g_allocations.load();
  for (size_t f = 0; f < 100; ++f) {
    g719_encode(enc, pcm.data() + f * G719_FRAME_SAMPLES, frame.data());
    g719_decode(dec, frame.data(), out.data(), f % 10 == 3 ? 1 : 0);
  }
  EXPECT_EQ(g_allocations.load() - before_frames, 0);
  g719_encoder_free(enc);
  g719_decoder_free(dec);
#endif
}

}  // namespace
