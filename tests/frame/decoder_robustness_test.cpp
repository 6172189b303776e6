// Any byte string decodes: every bitrate, random and constant frames, with
// and without the bad-frame flag, always 960 samples, deterministic, and no
// access outside the frame or the bit-word array (run under the sanitizers).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "frame/bit_words.h"
#include "frame/codec_state.h"
#include "frame/decode_frame.h"
#include "frame/g719_codec.h"
#include "frame/kernel_sets.h"

namespace {

constexpr int kCapacity = static_cast<int>(sizeof(G719DecoderState::bit_words) / sizeof(Word16));

struct DecoderDeleter {
  void operator()(G719DecoderState *d) const { g719_decoder_free(d); }
};
using Decoder = std::unique_ptr<G719DecoderState, DecoderDeleter>;

std::vector<std::vector<uint8_t>> hostile_frames(int bytes, std::mt19937 &rng) {
  std::vector<std::vector<uint8_t>> frames;
  frames.emplace_back(bytes, 0x00);
  frames.emplace_back(bytes, 0xFF);
  std::vector<uint8_t> lone(bytes, 0x00);
  lone[0] = 0x80;  // transient flag only
  frames.push_back(lone);
  std::vector<uint8_t> stationary_ones(bytes, 0xFF);
  stationary_ones[0] = 0x7F;
  frames.push_back(stationary_ones);
  for (int r = 0; r < 4; r++) {
    std::vector<uint8_t> f(bytes);
    for (auto &b : f) b = static_cast<uint8_t>(rng());
    frames.push_back(f);
  }
  return frames;
}

// Decodes one frame from a heap block of exactly the frame's size, into an
// output prefilled with a sentinel, and returns the samples.
std::vector<int16_t> decode_exact(G719DecoderState *d, const std::vector<uint8_t> &frame, int bad, int16_t fill) {
  auto bytes = std::make_unique<uint8_t[]>(frame.size());
  std::copy(frame.begin(), frame.end(), bytes.get());
  std::vector<int16_t> pcm(960, fill);
  g719_decode(d, bytes.get(), pcm.data(), bad);
  return pcm;
}

TEST(DecoderRobustness, EveryBitrateDecodesHostileFramesDeterministically) {
  std::mt19937 rng(719);
  for (int32_t rate = 32000; rate <= 128000; rate += 400) {
    Decoder a(g719_decoder_create(rate));
    Decoder b(g719_decoder_create(rate));
    ASSERT_TRUE(a && b) << rate;
    const auto frames = hostile_frames(rate / 400, rng);
    for (size_t i = 0; i < frames.size(); i++) {
      for (int bad : {0, 1, 0}) {
        // Two decoders with different sentinels: equal outputs mean all 960
        // samples were written and nothing depends on stale memory.
        const auto pa = decode_exact(a.get(), frames[i], bad, 0x1111);
        const auto pb = decode_exact(b.get(), frames[i], bad, -0x2222);
        ASSERT_EQ(pa, pb) << "rate " << rate << " frame " << i << " bad " << bad;
      }
    }
    for (int w = rate / 50; w < kCapacity; w++) ASSERT_EQ(a->bit_words[w], BIT_WORD_ZERO) << rate;
  }
}

// The frame driver on a separate bit-word array of exactly the decoder's
// capacity, filled to the end with hostile words, on the kernel set K: a
// reader that ran past the array would be caught by the address sanitizer.
template <class K>
void decode_hostile_word_arrays() {
  std::mt19937 rng(960);
  Decoder d(g719_decoder_create_with_kernels(128000, K::kSet));
  ASSERT_TRUE(d);
  for (int pattern = 0; pattern < 40; pattern++) {
    auto words = std::make_unique<Word16[]>(kCapacity);
    for (int i = 0; i < kCapacity; i++) {
      switch (pattern) {
        case 0: words[i] = BIT_WORD_ONE; break;
        case 1: words[i] = BIT_WORD_ZERO; break;
        case 2: words[i] = i == 0 ? BIT_WORD_ONE : BIT_WORD_ZERO; break;
        case 3: words[i] = i == 0 ? BIT_WORD_ZERO : BIT_WORD_ONE; break;
        case 4: words[i] = static_cast<Word16>(rng()); break;  // neither 0x7F nor 0x81 mostly
        default: words[i] = (rng() & 1) ? BIT_WORD_ONE : BIT_WORD_ZERO; break;
      }
    }
    int16_t pcm[960];
    g719_decode_frame<K>(words.get(), 0, pcm, d.get());
    const Word16 transient = words[0] == BIT_WORD_ONE ? 1 : 0;
    ASSERT_EQ(d->prev_transient, transient) << "pattern " << pattern;
    // A lost frame keeps the saved flag whatever its words say.
    words[0] = transient ? BIT_WORD_ZERO : BIT_WORD_ONE;
    g719_decode_frame<K>(words.get(), 1, pcm, d.get());
    ASSERT_EQ(d->prev_transient, transient) << "pattern " << pattern;
  }
}

TEST(DecoderRobustness, FrameDriverStaysInsideTheBitWordArray) {
  decode_hostile_word_arrays<PortableKernels>();
  if (g719_kernel_set_supported(KernelSet::kAvx2)) decode_hostile_word_arrays<Avx2Kernels>();
}

}  // namespace
